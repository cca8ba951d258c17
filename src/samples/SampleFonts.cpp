#include "SampleFonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QMutex>
#include <QSet>

namespace {

SampleFontFamily family(const char* name, bool serif, const char* package, const char* folder,
                        std::initializer_list<const char*> files)
{
    SampleFontFamily result{QString::fromLatin1(name), serif, QString::fromLatin1(package), {}};
    for (const char* file : files)
        result.files.append(QStringLiteral("/usr/share/fonts/%1/%2")
                                .arg(QLatin1String(folder), QLatin1String(file)));
    return result;
}

QMutex loadMutex;
bool loaded = false;
QSet<QString> usable;

} // namespace

const QList<SampleFontFamily>& sampleFontFamilies()
{
    static const QList<SampleFontFamily> families{
        family("DejaVu Sans", false, "fonts-dejavu-core", "truetype/dejavu",
               {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}),
        family("DejaVu Serif", true, "fonts-dejavu-core", "truetype/dejavu",
               {"DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf"}),
        family("Liberation Sans", false, "fonts-liberation2", "truetype/liberation2",
               {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf"}),
        family("Liberation Serif", true, "fonts-liberation2", "truetype/liberation2",
               {"LiberationSerif-Regular.ttf", "LiberationSerif-Bold.ttf"}),
        family("FreeSans", false, "fonts-freefont-ttf", "truetype/freefont",
               {"FreeSans.ttf", "FreeSansBold.ttf"}),
        family("FreeSerif", true, "fonts-freefont-ttf", "truetype/freefont",
               {"FreeSerif.ttf", "FreeSerifBold.ttf"}),
        family("Nimbus Sans", false, "fonts-urw-base35", "opentype/urw-base35",
               {"NimbusSans-Regular.otf", "NimbusSans-Bold.otf"}),
        family("Nimbus Roman", true, "fonts-urw-base35", "opentype/urw-base35",
               {"NimbusRoman-Regular.otf", "NimbusRoman-Bold.otf"}),
        family("C059", true, "fonts-urw-base35", "opentype/urw-base35",
               {"C059-Roman.otf", "C059-Bold.otf"}),
        family("P052", true, "fonts-urw-base35", "opentype/urw-base35",
               {"P052-Roman.otf", "P052-Bold.otf"}),
        family("URW Gothic", false, "fonts-urw-base35", "opentype/urw-base35",
               {"URWGothic-Book.otf", "URWGothic-Demi.otf"}),
    };
    return families;
}

QStringList loadSampleFonts()
{
    QMutexLocker lock(&loadMutex);
    if (!loaded) {
        loaded = true;
        for (const SampleFontFamily& entry : sampleFontFamilies()) {
            for (const QString& file : entry.files) {
                if (!QFile::exists(file))
                    continue;
                const int id = QFontDatabase::addApplicationFont(file);
                if (id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(entry.family))
                    usable.insert(entry.family);
            }
        }
    }
    QStringList families;
    for (const SampleFontFamily& entry : sampleFontFamilies()) {
        if (usable.contains(entry.family))
            families.append(entry.family);
    }
    return families;
}

QString installedFamily(const QString& family)
{
    if (loadSampleFonts().contains(family))
        return family;
    for (const SampleFontFamily& entry : sampleFontFamilies()) {
        if (entry.family == family && entry.serif)
            return QStringLiteral("DejaVu Serif");
    }
    return QStringLiteral("DejaVu Sans");
}
