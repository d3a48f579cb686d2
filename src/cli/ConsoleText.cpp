#include "cli/ConsoleText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <filesystem>

#include "platform/FileIO.h"
#include "platform/qt/ShiftJisCodec.h"

namespace SumirelCli {

std::optional<std::string> ShiftJisFromConsole(std::string_view localeText) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(
        QByteArrayView(localeText.data(), static_cast<qsizetype>(localeText.size())));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return Sumirel::ToShiftJis(text);
}

std::string ConsoleFromShiftJis(std::string_view shiftJis) {
    const QByteArray utf8 = Sumirel::FromShiftJis(shiftJis).toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

std::string ContentsFromInput(std::string_view input) {
    std::string contents;
    contents.reserve(input.size() + input.size() / 16);
    for (std::size_t i = 0; i < input.size(); ++i) {
        const char c = input[i];
        if (c == '\r') {
            if (i + 1 < input.size() && input[i + 1] == '\n') {
                ++i;
            }
            contents += "\r\n";
        } else if (c == '\n') {
            contents += "\r\n";
        } else {
            contents += c;
        }
    }
    if (contents.ends_with("\r\n")) {
        contents.resize(contents.size() - 2);
    }
    return contents;
}

std::string FileNameFromConsole(std::string_view localeName) {
    return Sumirel::TextFromNativePath(std::filesystem::path(std::string(localeName)));
}

}  // namespace SumirelCli
