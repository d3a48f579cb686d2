#include "diary/XmlText.h"

namespace Sumirel {

std::string XmlEscape(std::string_view text, bool attribute) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') {
                    ++i;
                }
                [[fallthrough]];
            case '\n':
                out += attribute ? "&#10;" : "\n";
                break;
            case '\t':
                out += attribute ? "&#9;" : "\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\xEF\xBF\xBD";
                } else {
                    out += c;
                }
        }
    }
    return out;
}

}  // namespace Sumirel
