#include "FtpReply.h"

#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace Sumirel::Ftp {

namespace {

// The reply code a line begins with, or 0.
int CodeOf(QByteArrayView line) {
    if (line.size() < 3 || line[0] < '1' || line[0] > '5') {
        return 0;
    }
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return 0;
        }
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

// True when the line ends a reply with this code: the code and a space, or the code alone.
bool EndsReply(QByteArrayView line, int code) {
    return CodeOf(line) == code && (line.size() == 3 || line[3] == ' ');
}

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::optional<Reply> TakeReply(QByteArray& inbox) {
    int code = 0;
    qsizetype lineStart = 0;
    for (;;) {
        const qsizetype lineFeed = inbox.indexOf('\n', lineStart);
        if (lineFeed < 0) {
            return std::nullopt;
        }
        qsizetype lineEnd = lineFeed;
        if (lineEnd > lineStart && inbox[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        const QByteArrayView line(inbox.constData() + lineStart, lineEnd - lineStart);
        bool last = false;
        if (lineStart == 0) {
            code = CodeOf(line);
            if (code == 0 || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
                throw BadReply{line.toByteArray().toStdString()};
            }
            last = line.size() == 3 || line[3] == ' ';
        } else {
            last = EndsReply(line, code);
        }
        if (last) {
            Reply reply{code, std::string(inbox.constData(), static_cast<std::size_t>(lineEnd))};
            inbox.remove(0, lineFeed + 1);
            return reply;
        }
        lineStart = lineFeed + 1;
    }
}

std::optional<std::uint16_t> ParseEpsv(const std::string& text) {
    // The delimiter is any printable character the server chooses, "|" in practice.
    static const QRegularExpression pattern(QStringLiteral(R"(\(([!-~])\1\1(\d{1,5})\1\))"));
    const QRegularExpressionMatch match = pattern.match(Latin1(text));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int port = match.captured(2).toInt();
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

std::optional<PassiveAddress> ParsePasv(const std::string& text) {
    // The parentheses are customary, not required: the six numbers are what counts.
    static const QRegularExpression pattern(
        QStringLiteral(R"((\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}))"));
    const QRegularExpressionMatch match = pattern.match(Latin1(text).mid(4));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    int numbers[6];
    for (int i = 0; i < 6; ++i) {
        numbers[i] = match.captured(i + 1).toInt();
        if (numbers[i] > 255) {
            return std::nullopt;
        }
    }
    const quint32 ip = (static_cast<quint32>(numbers[0]) << 24) |
                       (static_cast<quint32>(numbers[1]) << 16) |
                       (static_cast<quint32>(numbers[2]) << 8) | static_cast<quint32>(numbers[3]);
    const int port = numbers[4] * 256 + numbers[5];
    if (port == 0) {
        return std::nullopt;
    }
    return PassiveAddress{QHostAddress(ip), static_cast<std::uint16_t>(port)};
}

bool IsUnroutable(const QHostAddress& address) {
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4) {
        const QHostAddress plain(ipv4);
        static const char* const kUnroutable[] = {
            "0.0.0.0/8",     "10.0.0.0/8",   "100.64.0.0/10",  "127.0.0.0/8",   "169.254.0.0/16",
            "172.16.0.0/12", "192.0.0.0/24", "192.168.0.0/16", "198.18.0.0/15", "224.0.0.0/3",
        };
        for (const char* subnet : kUnroutable) {
            if (plain.isInSubnet(QHostAddress::parseSubnet(QString::fromLatin1(subnet)))) {
                return true;
            }
        }
        return false;
    }
    return address.isNull() || address.isLoopback() || address.isLinkLocal() ||
           address.isSiteLocal() || address.isUniqueLocalUnicast() || address.isMulticast() ||
           address == QHostAddress(QHostAddress::AnyIPv6);
}

std::optional<std::int64_t> ParseSize(const std::string& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^213 (\d{1,18})\s*$)"));
    const QRegularExpressionMatch match = pattern.match(Latin1(text));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.captured(1).toLongLong();
}

std::optional<std::string> ParseHash(const std::string& text, int hexLength) {
    const QStringList words = Latin1(text).mid(4).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]+$"));
    for (const QString& word : words) {
        if (word.size() == hexLength && hex.match(word).hasMatch()) {
            return word.toLower().toStdString();
        }
    }
    return std::nullopt;
}

std::set<std::string> ParseFeatures(const std::string& text) {
    std::set<std::string> features;
    const QStringList lines = Latin1(text).split(QLatin1Char('\n'));
    // The first and the last line are the reply's frame ("211-..." and "211 End").
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QStringList words = lines[i].trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty()) {
            continue;
        }
        const QString name = words[0].toUpper();
        features.insert(name.toStdString());
        if (name == QLatin1String("HASH") && words.size() > 1) {
            for (QString algorithm : words[1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                algorithm.remove(QLatin1Char('*'));  // the one selected now
                features.insert("HASH " + algorithm.toUpper().toStdString());
            }
        }
    }
    return features;
}

}  // namespace Sumirel::Ftp
