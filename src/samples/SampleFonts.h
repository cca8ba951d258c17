#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A typeface the sample forms are printed in, and the Debian package and
// files it is installed from.
struct SampleFontFamily
{
    QString family;
    bool serif = false;
    QString package;
    QStringList files; // regular and bold, under /usr/share/fonts
};

// The serif and sans families a varied form draws from, in a fixed order so
// that a seed picks the same family on every machine.
const QList<SampleFontFamily>& sampleFontFamilies();

// Adds every installed file of the families to the application's font
// database (once) and returns the families that are usable. Call from the
// GUI thread before rendering in workers.
QStringList loadSampleFonts();

// The family to print `family` in: itself when installed, else DejaVu Sans
// or DejaVu Serif.
QString installedFamily(const QString& family);
