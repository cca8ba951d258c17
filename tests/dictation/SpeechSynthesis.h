#pragma once

#include <QByteArray>
#include <QString>

// Speaks the text with espeak-ng (US English) and returns it as 16 kHz mono
// signed 16-bit samples with a short lead-in of silence. Empty on failure,
// with the reason in *error.
QByteArray synthesizedSpeech(const QString& text, QString* error);
