// Any bytes as a help file: parsing either refuses the file with EInOutError or gives topics
// whose pages can be made; nothing crashes, hangs or reads past the text.
#include <cstdint>
#include <string>

#include "platform/Exception.h"
#include "platform/HelpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Half the inputs start as a help file, so the fuzzer reaches the topics quickly.
    std::string text(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1))
        text = "Quillmart Help 1\n" + text;
    try {
        const qm::HelpFile file = qm::HelpFile::Parse(text, "fuzz.hlp");
        for (const auto& [context, topic] : file.Topics())
            if (qm::HelpFile::BodyHtml(topic).empty() || file.Find(context) != &topic)
                __builtin_trap();
        (void)file.Index();
    } catch (const qm::EInOutError&) {
    }
    return 0;
}
