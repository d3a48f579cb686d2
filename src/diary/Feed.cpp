#include "diary/Feed.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "diary/CharacterReferences.h"
#include "diary/DiaryFile.h"
#include "diary/DiaryWalk.h"
#include "diary/EntryId.h"
#include "diary/EntryRenderer.h"
#include "diary/FeedDates.h"
#include "diary/FeedUrl.h"
#include "diary/FormatError.h"
#include "diary/Messages.h"
#include "diary/XmlText.h"
#include "platform/FileIO.h"
#include "platform/FileStamp.h"
#include "platform/LineList.h"
#include "platform/Utf8FromShiftJis.h"

namespace Sumirel {

namespace {

constexpr char kAtomNamespace[] = "http://www.w3.org/2005/Atom";

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from) {
    const auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                lowerNeedle.begin(), lowerNeedle.end(),
                                [](char a, char b) { return Lower(a) == b; });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

std::string CollapseSpaces(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (IsSpace(c)) {
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

// The text of the page's first <title> element, as plain UTF-8 text; empty when it has none.
// The search runs on the Shift-JIS bytes: "<" is never part of a double-byte character, so a
// match that begins with it begins at a character.
std::string PageTitle(std::string_view sjisPage) {
    std::size_t at = 0;
    for (;;) {
        at = FindNoCase(sjisPage, "<title", at);
        if (at == std::string_view::npos) {
            return {};
        }
        const std::size_t after = at + 6;
        if (after < sjisPage.size() && (sjisPage[after] == '>' || IsSpace(sjisPage[after]))) {
            break;
        }
        at = after;
    }
    const std::size_t open = sjisPage.find('>', at);
    if (open == std::string_view::npos) {
        return {};
    }
    const std::size_t close = FindNoCase(sjisPage, "</title", open + 1);
    if (close == std::string_view::npos) {
        return {};
    }
    return CollapseSpaces(
        DecodeCharacterReferences(Utf8FromShiftJis(sjisPage.substr(open + 1, close - open - 1)),
                                  ReferenceDecoding::PlainText));
}

// Shift-JIS HTML as the content of an Atom element of type "html".
std::string HtmlForFeed(std::string_view sjisHtml, std::string_view baseUrl) {
    const std::string linked = AbsolutizeLinks(Utf8FromShiftJis(sjisHtml), baseUrl);
    return XmlEscape(DecodeCharacterReferences(linked, ReferenceDecoding::KeepMarkup));
}

std::string FeedTitle(const Settings& settings, std::string_view pageText) {
    if (!settings.Feed.Title.empty()) {
        return DecodeCharacterReferences(Utf8FromShiftJis(settings.Feed.Title),
                                         ReferenceDecoding::PlainText);
    }
    std::string title = PageTitle(pageText);
    return title.empty() ? Utf8FromShiftJis(Messages::kDefaultFeedTitle) : title;
}

// The feed's own address: its file name beside the diary page.
std::string SelfUrl(const Settings& settings, std::string_view url) {
    const std::string fileName = Utf8FromShiftJis(settings.Feed.FileName);
    const std::size_t slash = fileName.rfind('/');
    const std::string_view base =
        std::string_view(fileName).substr(slash == std::string::npos ? 0 : slash + 1);
    return ResolveUrl(url, PercentEncodeSegment(base));
}

// How many copies of each block stand below block i, itself included.
std::vector<std::size_t> Occurrences(const std::vector<std::uint64_t>& hashes) {
    std::vector<std::size_t> occurrence(hashes.size());
    std::unordered_map<std::uint64_t, std::size_t> seen;
    for (std::size_t i = hashes.size(); i-- > 0;) {
        occurrence[i] = ++seen[hashes[i]];
    }
    return occurrence;
}

}  // namespace

std::string BuildFeed(const Settings& settings, const std::vector<std::string_view>& blocks,
                      std::string_view pageText, std::time_t diaryTime, Reporter& reporter) {
    const std::string url = Utf8FromShiftJis(settings.Feed.Url);
    const std::string host = UrlHost(url);
    const std::string title = XmlEscape(FeedTitle(settings, pageText));

    std::vector<std::uint64_t> hashes;
    hashes.reserve(blocks.size());
    for (const std::string_view block : blocks) {
        hashes.push_back(BlockHash(block));
    }
    const std::vector<std::size_t> occurrence = Occurrences(hashes);
    const std::size_t count =
        std::min(blocks.size(), static_cast<std::size_t>(std::max(settings.Feed.Entries, 0)));

    std::string entries;
    std::optional<std::time_t> newest;
    for (std::size_t i = 0; i < count; ++i) {
        const SDiary entry = ParseEntry(blocks[i], reporter);
        const std::optional<CivilDate> date = ParseEntryDate(entry.Date, settings.Separators);
        const std::optional<std::time_t> noon = date ? LocalNoon(*date) : std::nullopt;
        const std::time_t updated = noon.value_or(diaryTime);
        if (!newest) {
            newest = updated;
        }
        const std::string contents = RenderContents(entry.Contents, settings.AddStrings);
        entries += "  <entry>\n    <id>" +
                   XmlEscape(EntryTagUri(host, date, hashes[i], occurrence[i])) +
                   "</id>\n    <title type=\"html\">" +
                   HtmlForFeed(entry.Title.empty() ? entry.Date : entry.Title, url) +
                   "</title>\n    <updated>" + Rfc3339(updated) +
                   "</updated>\n    <link rel=\"alternate\" type=\"text/html\" href=\"" +
                   XmlEscape(url, true) + "\"/>\n    <content type=\"html\">" +
                   HtmlForFeed(contents, url) + "</content>\n  </entry>\n";
    }

    std::string feed = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"";
    feed += kAtomNamespace;
    feed += "\">\n  <id>" + XmlEscape(url) + "</id>\n  <title>" + title + "</title>\n  <updated>" +
            Rfc3339(newest.value_or(diaryTime)) +
            "</updated>\n  <link rel=\"alternate\" type=\"text/html\" href=\"" +
            XmlEscape(url, true) +
            "\"/>\n  <link rel=\"self\" type=\"application/atom+xml\" href=\"" +
            XmlEscape(SelfUrl(settings, url), true) + "\"/>\n  <author>\n    <name>" + title +
            "</name>\n  </author>\n  <generator>Sumirel</generator>\n";
    feed += entries;
    feed += "</feed>\n";
    return feed;
}

bool WriteFeed(const Settings& settings, std::string_view pageText, Reporter& reporter) {
    if (settings.Feed.FileName.empty()) {
        return true;
    }
    if (settings.Feed.Url.empty()) {
        reporter.ShowError(Messages::kFeedNoUrl);
        return false;
    }
    if (UrlHost(Utf8FromShiftJis(settings.Feed.Url)).empty()) {
        reporter.ShowError(Messages::kFeedBadUrl);
        return false;
    }
    const std::string diaryText = NormalizeLineBreaks(ReadWholeFile(settings.DiaryFileName));
    std::vector<std::string_view> blocks;
    try {
        const DiaryWalk walk(diaryText, reporter);
        blocks.reserve(walk.Count());
        for (std::size_t i = 0; i < walk.Count(); ++i) {
            blocks.push_back(walk.Block(i));
        }
        const std::time_t diaryTime =
            LastWriteTime(settings.DiaryFileName).value_or(std::time(nullptr));
        WriteFileAtomic(settings.Feed.FileName,
                        BuildFeed(settings, blocks, pageText, diaryTime, reporter));
    } catch (const FormatError& error) {
        reporter.ShowError(error.what());
        return false;
    }
    return true;
}

}  // namespace Sumirel
