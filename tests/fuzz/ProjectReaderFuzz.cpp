// The project file reader, survey records included: any bytes give a
// document or a ProjectFileError, and what was read survives a save.
#include "files/FileError.h"
#include "files/SurveyProjectDocument.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    SurveyProjectDocument document;
    try {
        document = decodeProjectDocument(bytes);
    } catch (const ProjectFileError&) {
        return 0;
    }
    // A document that was read is saved and read back unchanged.
    if (decodeProjectDocument(encodeProjectDocument(document)) != document)
        std::abort();
    return 0;
}
