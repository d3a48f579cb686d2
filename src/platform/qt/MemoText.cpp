#include "platform/qt/MemoText.h"

#include "platform/qt/ShiftJisCodec.h"

namespace Sumirel {

std::string MemoBytes(const QString& editText) {
    QString text = editText;
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return ToShiftJis(text);
}

QString MemoDisplayText(std::string_view bytes) {
    QString text = FromShiftJis(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace Sumirel
