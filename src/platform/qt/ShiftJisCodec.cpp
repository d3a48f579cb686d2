#include "ShiftJisCodec.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

// The common path converts the whole text in one call; only when the converter reports an
// error (or, encoding, the text begins with U+FEFF) does a path one character at a time take
// over.
//
// Qt's "windows-31j" is ICU's ibm-943_P15A-2003 table. Where it differs from the code page
// 932 that Windows uses, we follow Windows:
//
// - ICU rotates three control codes (byte 0x1A is U+001C, 0x1C is U+007F, 0x7F is U+001A);
//   Windows maps every byte below 0x80 to the same code point, and so do we.
// - ICU substitutes U+001A for an invalid single byte and silently drops a lead byte at the
//   very end; we give U+FFFD for every byte that does not start a character.
// - ICU drops a U+FEFF at the start of the text without reporting it; we write "&#xFEFF;",
//   like every other character the code page lacks.
//
// And one decision of ours: seven characters of JIS X 0208 that Windows' table spells with
// other code points (WAVE DASH U+301C against FULLWIDTH TILDE U+FF5E, and so on) are written
// as the byte pair the Windows spelling has, as glibc's CP932 (and so NativePath) does. Input
// methods on Linux type U+301C where Windows ones type U+FF5E for the same 〜; both mean the
// character at 0x81 0x60, which decodes to U+FF5E.

namespace Sumirel {

namespace {

constexpr const char* kCodecName = "windows-31j";
constexpr auto kFlags = QStringConverter::Flag::Stateless;

// A converter must stay where it was constructed: one that has been moved no longer reports
// errors (seen with Qt 6.4 and ICU 72; ICU's error callback seems to keep the address of the
// original state). Hence no functions returning converters; construct them in place.
void RequireValid(const QStringConverter& converter) {
    if (!converter.isValid()) {
        throw std::runtime_error(
            "Shift-JIS codec \"windows-31j\" is not available: Qt was built without ICU");
    }
}

// ICU's rotation of the control codes, undone. These bytes never occur as trail bytes (those
// are 0x40-0x7E and 0x80-0xFC), so every occurrence is a single-byte character.
void UnrotateControlBytes(std::string& bytes) {
    for (char& c : bytes) {
        switch (c) {
            case '\x7F':  // ICU's U+001A
                c = '\x1A';
                break;
            case '\x1A':  // ICU's U+001C
                c = '\x1C';
                break;
            case '\x1C':  // ICU's U+007F
                c = '\x7F';
                break;
            default:
                break;
        }
    }
}

void UnrotateControlChars(QString& text) {
    for (QChar& c : text) {
        switch (c.unicode()) {
            case 0x001A:  // from byte 0x7F
                c = QChar(char16_t{0x007F});
                break;
            case 0x001C:  // from byte 0x1A
                c = QChar(char16_t{0x001A});
                break;
            case 0x007F:  // from byte 0x1C
                c = QChar(char16_t{0x001C});
                break;
            default:
                break;
        }
    }
}

// JIS X 0208 spellings of characters whose code page 932 spelling differs.
const char* JisVariantBytes(char32_t c) {
    switch (c) {
        case 0x301C:  // WAVE DASH, cp932 0x8160 = U+FF5E FULLWIDTH TILDE
            return "\x81\x60";
        case 0x2016:  // DOUBLE VERTICAL LINE, cp932 = U+2225 PARALLEL TO
            return "\x81\x61";
        case 0x2212:  // MINUS SIGN, cp932 = U+FF0D FULLWIDTH HYPHEN-MINUS
            return "\x81\x7C";
        case 0x00A2:  // CENT SIGN, cp932 = U+FFE0
            return "\x81\x91";
        case 0x00A3:  // POUND SIGN, cp932 = U+FFE1
            return "\x81\x92";
        case 0x00AC:  // NOT SIGN, cp932 = U+FFE2
            return "\x81\xCA";
        case 0x2014:  // EM DASH, cp932 = U+2015 HORIZONTAL BAR
            return "\x81\x5C";
        default:
            return nullptr;
    }
}

void AppendReference(std::string& out, char32_t c) {
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "&#x%X;", static_cast<unsigned>(c));
    out.append(buffer, static_cast<std::size_t>(length));
}

// The slow path: one character at a time, each that the code page lacks as a reference.
std::string EncodeByCharacter(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    std::optional<QStringEncoder> encoder(std::in_place, kCodecName, kFlags);
    RequireValid(*encoder);
    std::vector<char> buffer(static_cast<std::size_t>(encoder->requiredSpace(2)) + 8);
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            out += static_cast<char>(unit);
            ++i;
            continue;
        }
        qsizetype length = 1;
        char32_t code = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            length = 2;
            code = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
        } else if (QChar::isSurrogate(unit)) {
            // Half a pair is no character; the reference a browser would show for it.
            AppendReference(out, 0xFFFD);
            ++i;
            continue;
        }
        if (const char* variant = JisVariantBytes(code)) {
            out += variant;
        } else {
            char* end = encoder->appendToBuffer(buffer.data(), QStringView(text).sliced(i, length));
            // No output without an error is ICU dropping a U+FEFF it takes for a byte-order mark.
            if (encoder->hasError() || end == buffer.data()) {
                AppendReference(out, code);
                // The error flag stays set for good (resetState() keeps it); take a fresh encoder.
                encoder.emplace(kCodecName, kFlags);
            } else {
                out.append(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
            }
        }
        i += length;
    }
    return out;
}

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}
bool IsSingleByte(unsigned char b) {
    return b < 0x80 || (b >= 0xA1 && b <= 0xDF);
}
bool IsRotatedControl(unsigned char b) {
    return b == 0x1A || b == 0x1C || b == 0x7F;
}

// The slow path: the bytes cut into characters by the code page's structure; runs of
// well-formed characters go through the decoder (an unassigned pair gives U+FFFD there), the
// three control codes ICU rotates are taken as they are, and every other byte gives U+FFFD.
QString DecodeByCharacter(std::string_view bytes) {
    QStringDecoder decoder(kCodecName, kFlags);
    RequireValid(decoder);
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    const std::size_t size = bytes.size();
    std::size_t runStart = 0;
    auto flush = [&](std::size_t end) {
        if (end > runStart) {
            out += decoder.decode(
                QByteArrayView(bytes.data() + runStart, static_cast<qsizetype>(end - runStart)));
        }
    };
    std::size_t i = 0;
    while (i < size) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (IsSingleByte(b) && !IsRotatedControl(b)) {
            ++i;
            continue;
        }
        if (IsLeadByte(b) && i + 1 < size &&
            IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            i += 2;
            continue;
        }
        flush(i);
        out += IsRotatedControl(b) ? QChar(char16_t{b}) : QChar(QChar::ReplacementCharacter);
        ++i;
        runStart = i;
    }
    flush(size);
    return out;
}

}  // namespace

std::string ToShiftJis(const QString& text) {
    QStringEncoder encoder(kCodecName, kFlags);
    RequireValid(encoder);
    const QByteArray encoded = encoder.encode(text);
    // ICU drops a leading U+FEFF without reporting it.
    if (encoder.hasError() || text.startsWith(QChar(QChar::ByteOrderMark))) {
        return EncodeByCharacter(text);
    }
    std::string bytes(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    UnrotateControlBytes(bytes);
    return bytes;
}

QString FromShiftJis(std::string_view bytes) {
    QStringDecoder decoder(kCodecName, kFlags);
    RequireValid(decoder);
    QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError()) {
        return DecodeByCharacter(bytes);
    }
    UnrotateControlChars(text);
    return text;
}

}  // namespace Sumirel
