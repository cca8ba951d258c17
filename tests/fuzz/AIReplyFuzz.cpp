// The AI reply parser: any reply body or model text gives answers or the
// client's invalid-response error.
#include "ai/AIAnswerAnalysisService.h"
#include "ai/ResponsesWireFormat.h"

#include <cstdint>

namespace {
template <typename Parse> void attempt(Parse parse)
{
    try {
        parse();
    } catch (const OpenAIAnswerAnalysisError&) {
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    attempt([&] {
        const QString output = responsesOutputText(bytes);
        attempt([&] { parseSuggestion(output); });
        attempt([&] { parsePageAnswers(output); });
    });
    attempt([&] { parseSuggestion(text); });
    attempt([&] { parsePageAnswers(text); });
    failureMessageForStatus(400, bytes);
    return 0;
}
