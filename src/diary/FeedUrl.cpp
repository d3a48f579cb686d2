#include "diary/FeedUrl.h"

#include <optional>

#include "diary/CharacterReferences.h"

namespace Sumirel {

namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct UrlParts {
    std::optional<std::string_view> scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

// RFC 3986, appendix B.
UrlParts Split(std::string_view url) {
    UrlParts parts;
    const std::size_t colon = url.find_first_of(":/?#");
    if (colon != std::string_view::npos && colon > 0 && url[colon] == ':' && IsAlpha(url[0])) {
        bool valid = true;
        for (std::size_t i = 1; i < colon; ++i) {
            const char c = url[i];
            valid = valid && (IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.');
        }
        if (valid) {
            parts.scheme = url.substr(0, colon);
            url.remove_prefix(colon + 1);
        }
    }
    if (url.substr(0, 2) == "//") {
        const std::size_t end = url.find_first_of("/?#", 2);
        parts.authority = url.substr(2, end == std::string_view::npos ? end : end - 2);
        url.remove_prefix(end == std::string_view::npos ? url.size() : end);
    }
    const std::size_t hash = url.find('#');
    if (hash != std::string_view::npos) {
        parts.fragment = url.substr(hash + 1);
        url = url.substr(0, hash);
    }
    const std::size_t question = url.find('?');
    if (question != std::string_view::npos) {
        parts.query = url.substr(question + 1);
        url = url.substr(0, question);
    }
    parts.path = url;
    return parts;
}

// RFC 3986, section 5.2.4.
std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    while (!input.empty()) {
        if (input.substr(0, 3) == "../") {
            input.remove_prefix(3);
        } else if (input.substr(0, 2) == "./") {
            input.remove_prefix(2);
        } else if (input.substr(0, 3) == "/./") {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.substr(0, 4) == "/../" || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            const std::size_t last = output.rfind('/');
            output.resize(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', 1);
            const std::size_t length = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

std::string Join(const UrlParts& base, std::optional<std::string_view> authority,
                 std::string_view path, std::optional<std::string_view> query,
                 std::optional<std::string_view> fragment) {
    std::string out;
    if (base.scheme) {
        out.append(*base.scheme).append(":");
    }
    if (authority) {
        out.append("//").append(*authority);
    }
    out.append(path);
    if (query) {
        out.append("?").append(*query);
    }
    if (fragment) {
        out.append("#").append(*fragment);
    }
    return out;
}

bool IsDnsName(std::string_view host) {
    if (host.empty()) {
        return false;
    }
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t end = host.find('.', start);
        if (end == std::string_view::npos) {
            end = host.size();
        }
        const std::string_view label = host.substr(start, end - start);
        if (label.empty() || label.front() == '-' || label.back() == '-') {
            return false;
        }
        for (char c : label) {
            if (!IsAlpha(c) && !IsDigit(c) && c != '-') {
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsNameEnd(char c) {
    return IsSpace(c) || c == '=' || c == '>' || c == '/';
}

std::string EscapeAttribute(std::string_view value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool NameIs(std::string_view name, std::string_view lowerName) {
    if (name.size() != lowerName.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Lower(name[i]) != lowerName[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view reference) {
    const UrlParts r = Split(reference);
    if (r.scheme) {
        return std::string(reference);
    }
    const UrlParts b = Split(base);
    if (r.authority) {
        return Join(b, r.authority, RemoveDotSegments(r.path), r.query, r.fragment);
    }
    if (r.path.empty()) {
        return Join(b, b.authority, b.path, r.query ? r.query : b.query, r.fragment);
    }
    if (r.path.front() == '/') {
        return Join(b, b.authority, RemoveDotSegments(r.path), r.query, r.fragment);
    }
    std::string merged;
    if (b.authority && b.path.empty()) {
        merged = "/";
    } else {
        const std::size_t slash = b.path.rfind('/');
        if (slash != std::string_view::npos) {
            merged.assign(b.path.substr(0, slash + 1));
        }
    }
    merged.append(r.path);
    return Join(b, b.authority, RemoveDotSegments(merged), r.query, r.fragment);
}

std::string UrlHost(std::string_view url) {
    const UrlParts parts = Split(url);
    if (!parts.scheme || !parts.authority) {
        return {};
    }
    std::string_view host = *parts.authority;
    const std::size_t at = host.rfind('@');
    if (at != std::string_view::npos) {
        host.remove_prefix(at + 1);
    }
    const std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        host = host.substr(0, colon);
    }
    if (!host.empty() && host.back() == '.') {
        host.remove_suffix(1);
    }
    if (!IsDnsName(host)) {
        return {};
    }
    std::string lower;
    for (char c : host) {
        lower += Lower(c);
    }
    return lower;
}

std::string PercentEncodeSegment(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (IsAlpha(static_cast<char>(c)) || IsDigit(static_cast<char>(c)) || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string AbsolutizeLinks(std::string_view html, std::string_view base) {
    std::string out;
    out.reserve(html.size());
    std::size_t at = 0;
    while (at < html.size()) {
        const std::size_t open = html.find('<', at);
        if (open == std::string_view::npos) {
            out.append(html, at);
            break;
        }
        out.append(html, at, open - at);
        at = open;
        if (html.substr(at, 4) == "<!--") {
            const std::size_t close = html.find("-->", at + 4);
            const std::size_t end = close == std::string_view::npos ? html.size() : close + 3;
            out.append(html, at, end - at);
            at = end;
            continue;
        }
        if (at + 1 >= html.size() || !IsAlpha(html[at + 1])) {
            out += '<';
            ++at;
            continue;
        }
        // A start tag: its name, then attributes up to ">".
        std::size_t i = at + 1;
        while (i < html.size() && !IsNameEnd(html[i])) {
            ++i;
        }
        out.append(html, at, i - at);
        while (i < html.size() && html[i] != '>') {
            if (IsSpace(html[i]) || html[i] == '/') {
                out += html[i++];
                continue;
            }
            const std::size_t nameStart = i;
            while (i < html.size() && !IsNameEnd(html[i])) {
                ++i;
            }
            if (i == nameStart) {  // a stray "="
                out += html[i++];
                continue;
            }
            const std::string_view name = html.substr(nameStart, i - nameStart);
            out.append(name);
            std::size_t j = i;
            while (j < html.size() && IsSpace(html[j])) {
                ++j;
            }
            if (j >= html.size() || html[j] != '=') {
                continue;
            }
            ++j;
            while (j < html.size() && IsSpace(html[j])) {
                ++j;
            }
            std::size_t valueStart = j;
            std::size_t valueEnd;
            std::size_t after;
            if (j < html.size() && (html[j] == '"' || html[j] == '\'')) {
                const char quote = html[j];
                valueStart = j + 1;
                const std::size_t close = html.find(quote, valueStart);
                valueEnd = close == std::string_view::npos ? html.size() : close;
                after = close == std::string_view::npos ? html.size() : close + 1;
            } else {
                valueEnd = j;
                while (valueEnd < html.size() && !IsSpace(html[valueEnd]) &&
                       html[valueEnd] != '>') {
                    ++valueEnd;
                }
                after = valueEnd;
            }
            const std::string_view value = html.substr(valueStart, valueEnd - valueStart);
            if (NameIs(name, "href") || NameIs(name, "src")) {
                const std::string decoded =
                    DecodeCharacterReferences(value, ReferenceDecoding::PlainText);
                out.append("=\"")
                    .append(EscapeAttribute(ResolveUrl(base, Trim(decoded))))
                    .append("\"");
            } else {
                out.append(html, i, after - i);
            }
            i = after;
        }
        at = i;
    }
    return out;
}

}  // namespace Sumirel
