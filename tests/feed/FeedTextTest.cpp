// The text helpers of the feed: addresses, links, character references, XML escaping and
// the conversion to UTF-8.

#include <gtest/gtest.h>

#include "diary/CharacterReferences.h"
#include "diary/FeedUrl.h"
#include "diary/XmlText.h"
#include "platform/Utf8FromShiftJis.h"
#include "support/TempDir.h"

namespace {

using Sumirel::ReferenceDecoding;

std::string Utf8(std::u8string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

TEST(FeedUrlTest, ReferencesResolveAsRfc3986Says) {
    // The normal examples of RFC 3986, section 5.4.1, and some abnormal ones of 5.4.2.
    const char* base = "http://a/b/c/d;p?q";
    const struct {
        const char* reference;
        const char* expected;
    } cases[] = {
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"./../g", "http://a/b/g"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"https://other.example/x", "https://other.example/x"},
        {"mailto:me@example.org", "mailto:me@example.org"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sumirel::ResolveUrl(base, c.reference), c.expected) << c.reference;
    }
    EXPECT_EQ(Sumirel::ResolveUrl("https://example.org", "a.png"), "https://example.org/a.png");
}

TEST(FeedUrlTest, HostIsTheDnsNameOfAnAbsoluteAddress) {
    const struct {
        const char* url;
        const char* host;
    } cases[] = {
        {"https://example.org/diary/Diary.html", "example.org"},
        {"http://User@WWW.Example.ORG:8080/x", "www.example.org"},
        {"https://example.org./", "example.org"},
        {"http://127.0.0.1/d.html", "127.0.0.1"},
        {"example.org/diary/Diary.html", ""},
        {"/diary/Diary.html", ""},
        {"file:///home/me/Diary.html", ""},
        {"https://[::1]/Diary.html", ""},
        {"https://bad_name.example/", ""},
        {"https://-bad.example/", ""},
        {"https:///Diary.html", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sumirel::UrlHost(c.url), c.host) << c.url;
    }
}

TEST(FeedUrlTest, LinksOfHtmlBecomeAbsolute) {
    const char* base = "https://example.org/diary/Diary.html";
    const struct {
        const char* name;
        const char* html;
        const char* expected;
    } cases[] = {
        {"relative href", "<a href=\"photo.html\">p</a>",
         "<a href=\"https://example.org/diary/photo.html\">p</a>"},
        {"absolute href unchanged", "<a href=\"https://other.example/x\">x</a>",
         "<a href=\"https://other.example/x\">x</a>"},
        {"root-relative src, single quotes", "<img src='/img/a.png' alt='a'>",
         "<img src=\"https://example.org/img/a.png\" alt='a'>"},
        {"unquoted, capital name, blanks around =", "<IMG SRC = ../a.png>",
         "<IMG SRC=\"https://example.org/a.png\">"},
        {"fragment", "<a href=\"#top\">t</a>",
         "<a href=\"https://example.org/diary/Diary.html#top\">t</a>"},
        {"escaped ampersand kept escaped", "<a href=\"x.cgi?a=1&amp;b=2\">x</a>",
         "<a href=\"https://example.org/diary/x.cgi?a=1&amp;b=2\">x</a>"},
        {"other attributes untouched", "<a data-href=\"x\" title=\"href=y\">x</a>",
         "<a data-href=\"x\" title=\"href=y\">x</a>"},
        {"comment untouched", "<!-- <a href=\"x\"> -->", "<!-- <a href=\"x\"> -->"},
        {"text untouched", "a < b href=\"x\" > c", "a < b href=\"x\" > c"},
        {"mailto unchanged", "<a href=\"mailto:me@example.org\">m</a>",
         "<a href=\"mailto:me@example.org\">m</a>"},
        {"unterminated tag ends", "<a href=\"x", "<a href=\"https://example.org/diary/x\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sumirel::AbsolutizeLinks(c.html, base), c.expected) << c.name;
    }
}

TEST(FeedTextTest, CharacterReferencesBecomeCharactersWhereSafe) {
    const struct {
        const char* name;
        std::string text;
        std::string html;   // KeepMarkup
        std::string plain;  // PlainText
    } cases[] = {
        {"hex emoji", "&#x1F600;", Utf8(u8"😀"), Utf8(u8"😀")},
        {"decimal hiragana", "&#12354;", Utf8(u8"あ"), Utf8(u8"あ")},
        {"upper-case X", "&#X3042;", Utf8(u8"あ"), Utf8(u8"あ")},
        {"less-than stays in HTML", "&#60;b&#62;", "&#60;b&#62;", "<b>"},
        {"ampersand and quotes stay in HTML", "&#38;&#34;&#39;", "&#38;&#34;&#39;", "&\"'"},
        {"named references", "&lt;&amp;&gt;&nbsp;", "&lt;&amp;&gt;&nbsp;", "<&>&nbsp;"},
        {"NUL stays", "&#0;", "&#0;", "&#0;"},
        {"control character stays", "&#1;", "&#1;", "&#1;"},
        {"surrogate stays", "&#xD800;", "&#xD800;", "&#xD800;"},
        {"beyond Unicode stays", "&#x110000;", "&#x110000;", "&#x110000;"},
        {"huge number stays", "&#99999999999999999999;", "&#99999999999999999999;",
         "&#99999999999999999999;"},
        {"no semicolon stays", "&#x41 b", "&#x41 b", "&#x41 b"},
        {"no digits stays", "&#;&#x;", "&#;&#x;", "&#;&#x;"},
        {"decoded once only", "&amp;#60;", "&amp;#60;", "&#60;"},
        {"lone ampersand at the end", "a&", "a&", "a&"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sumirel::DecodeCharacterReferences(c.text, ReferenceDecoding::KeepMarkup), c.html)
            << c.name;
        EXPECT_EQ(Sumirel::DecodeCharacterReferences(c.text, ReferenceDecoding::PlainText), c.plain)
            << c.name;
    }
}

TEST(FeedTextTest, XmlEscapeKeepsTheDocumentWellFormed) {
    EXPECT_EQ(Sumirel::XmlEscape("<a href=\"x\">&amp;</a>"),
              "&lt;a href=\"x\"&gt;&amp;amp;&lt;/a&gt;");
    EXPECT_EQ(Sumirel::XmlEscape("a\"b", true), "a&quot;b");
    EXPECT_EQ(Sumirel::XmlEscape("a\r\nb\rc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(Sumirel::XmlEscape(std::string("a\0b\x01\x1f", 5)), Utf8(u8"a\uFFFDb\uFFFD\uFFFD"));
}

TEST(FeedTextTest, ShiftJisBecomesUtf8AndBadBytesBecomeReplacements) {
    EXPECT_EQ(Sumirel::Utf8FromShiftJis(SumirelTest::Sjis(u8"日記です")), Utf8(u8"日記です"));
    EXPECT_EQ(Sumirel::Utf8FromShiftJis("plain"), "plain");
    // 0x5C and 0x7E are ASCII in code page 932.
    EXPECT_EQ(Sumirel::Utf8FromShiftJis("\x93\xfa\\~"), Utf8(u8"日\\~"));
    // An unused lead byte, and a lead byte cut off at the end.
    EXPECT_EQ(Sumirel::Utf8FromShiftJis("a\xa0"
                                        "b\x93"),
              Utf8(u8"a\uFFFDb\uFFFD"));
}

}  // namespace
