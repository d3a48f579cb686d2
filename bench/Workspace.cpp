#include "Workspace.h"

#include <stdlib.h>

#include <fstream>
#include <random>
#include <stdexcept>

#include "diary/PageBuilder.h"
#include "diary/TargetFiles.h"
#include "reference/LiteralEngine.h"

namespace SumirelBench {

namespace {

// Shift-JIS sentences and words (the comment beside each gives it readably).
const char* const kSentences[] = {
    "\x8d\xa1\x93\xfa\x82\xcd\x92\xa9\x82\xa9\x82\xe7\x89J\x82\xaa\x8d~\x82\xc1\x82\xc4\x82\xa2"
    "\x82\xbd\x81"
    "B",  // 今日は朝から雨が降っていた。
    "\x8eU\x95\xe0\x82\xcc\x93r\x92\x86\x82\xc5\x83\x5c\x83t\x83g\x83N\x83\x8a\x81[\x83\x80\x82"
    "\xf0\x90H\x82\xd7\x82\xbd\x81"
    "B",  // 散歩の途中でソフトクリームを食べた。
    "\x95\x5c\x8e\xa6\x82\xcc\x8am\x94"
    "F\x82\xf0\x82\xb7\x82\xe9\x97\x5c\x92\xe8\x81"
    "B",  // 表示の確認をする予定。
    "\x89w\x91O\x82\xcc\x96{\x89\xae\x82\xc5\x90V\x82\xb5\x82\xa2\x96{\x82\xf0\x94\x83\x82\xc1"
    "\x82\xbd\x81"
    "B",  // 駅前の本屋で新しい本を買った。
    "\x97[\x95\xfb\x82\xc9\x82\xcd\x90\xb0\x82\xea\x82\xc4\x81"
    "A\x8b\xf3\x82\xaa\x82\xab\x82"
    "\xea\x82\xa2\x82\xbe\x82\xc1\x82\xbd\x81"
    "B",  // 夕方には晴れて、空がきれいだった。
    "\x8f\x5c\x8e\x9e\x82\xc9\x8bN\x82\xab\x82\xc4\x81"
    "A\x94\x5c\x97\xcd\x8e\x8e\x8c\xb1\x82"
    "\xcc\x95\xd7\x8b\xad\x82\xf0\x82\xb5\x82\xbd\x81"
    "B",  // 十時に起きて、能力試験の勉強をした。
    "\x97"
    "F\x92"
    "B\x82\xa9\x82\xe7\x8e\xe8\x8e\x86\x82\xaa\x93\xcd\x82\xa2\x82\xbd\x81"
    "B",  // 友達から手紙が届いた。
    "\x83|\x81[\x83`\x82\xf0\x96Y\x82\xea\x82\xc4\x8e\xe6\x82\xe8\x82\xc9\x8b"
    "A\x82\xc1\x82\xbd"
    "\x81"
    "B",  // ポーチを忘れて取りに帰った。
};
const char* const kWeathers[] = {
    "\x90\xb0\x82\xea",                       // 晴れ
    "\x93\xdc\x82\xe8",                       // 曇り
    "\x89J\x82\xcc\x82\xbf\x90\xb0\x82\xea",  // 雨のち晴れ
    "\x90\xe1",                               // 雪
};
const char* const kTopics[] = {
    "\x8eU\x95\xe0",             // 散歩
    "\x94\x83\x82\xa2\x95\xa8",  // 買い物
    "\x8e\x8e\x8c\xb1",          // 試験
    "\x8e\xe8\x8e\x86",          // 手紙
};
const char kDayOf[] = "\x82\xcc\x93\xfa";  // の日

template <std::size_t N>
const char* Pick(const char* const (&items)[N], std::mt19937& rng) {
    return items[rng() % N];
}

// One block as the Write command stores it.
std::string Entry(int index, std::mt19937& rng) {
    std::string contents;
    const int lines = 5 + static_cast<int>(rng() % 3);
    for (int i = 0; i < lines; ++i) {
        if (i > 0) {
            contents += "\r\n";
        }
        contents += Pick(kSentences, rng);
        if (rng() % 2 == 0) {
            contents += Pick(kSentences, rng);
        }
    }
    const int day = index % 28 + 1;
    const int month = index / 28 % 12 + 1;
    return "<Start>\r\n<Date>2002/" + std::to_string(month) + "/" + std::to_string(day) +
           "</Date>\r\n<Wheather>" + Pick(kWeathers, rng) + "</Wheather>\r\n<Title>" +
           Pick(kTopics, rng) + kDayOf + " " + std::to_string(index) +
           "</Title>\r\n<Contents>\r\n" + contents + "\r\n</Contents>\r\n<End>\r\n\r\n\r\n";
}

// 日記のページ / 最新の日記
const std::string kTemplate =
    "<html>\r\n<head><title>\x93\xfa\x8bL\x82\xcc\x83y\x81[\x83W</title></head>\r\n<body>\r\n"
    "<!--sumirel-->\r\n"
    "<div class=\"entry\" id=\"e<!--count-->\">\r\n"
    "<h2><!--count-->: <!--title--></h2>\r\n"
    "<p class=\"date\"><!--date--> <!--weather--></p>\r\n"
    "<div class=\"contents\">\r\n<!--contents--></div>\r\n</div>\r\n"
    "<!--end_sumirel-->\r\n"
    "<hr>\r\n<ul>\r\n"
    "<!-- sumirel --><li><a href=\"#e<!--count-->\"><!--date--> <!--title--></a></li>"
    "<!-- end_sumirel -->\r\n"
    "</ul>\r\n</body>\r\n</html>\r\n";

const std::string kTargets[] = {
    "<html>\r\n<body>\r\n<h1>\x8d\xc5\x90V\x82\xcc\x93\xfa\x8bL</h1>\r\n"
    "<p><!--date_sng-->old<!--/date_sng--> <!--weather_sng--><!--/weather_sng--></p>\r\n"
    "<h2><!--title_sng-->old<!--/title_sng--></h2>\r\n"
    "<div><!--contents_sng-->\r\nold<BR>\r\n<!--/contents_sng--></div>\r\n</body>\r\n</html>\r\n",
    "<div class=\"latest\">\r\n<!-- TITLE_SNG --><!-- /TITLE_SNG -->\r\n"
    "<!-- Date_Sng -->x<!-- /Date_Sng --> <!--WHEATHER_SNG-->y<!--/WHEATHER_SNG-->\r\n"
    "<!--contents_sng--><!--/contents_sng-->\r\n</div>\r\n",
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

Outputs OutputsIn(const std::filesystem::path& folder) {
    Outputs outputs;
    outputs.pageFile = (folder / "page.html").string();
    for (std::size_t i = 0; i < std::size(kTargets); ++i) {
        outputs.targetFiles.push_back((folder / ("target" + std::to_string(i) + ".html")).string());
    }
    return outputs;
}

}  // namespace

Workspace OpenWorkspace(const std::filesystem::path& folder) {
    Workspace w;
    w.folder = folder;
    w.templateFile = (folder / "template.html").string();
    w.diaryFile = (folder / "diary.txt").string();
    w.fast = OutputsIn(folder / "fast");
    w.reference = OutputsIn(folder / "reference");
    std::error_code ec;
    w.diaryBytes = static_cast<std::size_t>(std::filesystem::file_size(w.diaryFile, ec));
    return w;
}

Workspace MakeWorkspace(const std::filesystem::path& folder, int entries) {
    std::mt19937 rng(20020304u);
    std::string diary;
    diary.reserve(static_cast<std::size_t>(entries) * 420);
    // Newest first, as the Write command leaves the file.
    for (int i = entries; i > 0; --i) {
        diary += Entry(i, rng);
    }
    WriteFile(folder / "template.html", kTemplate);
    WriteFile(folder / "diary.txt", diary);
    for (const char* engine : {"fast", "reference"}) {
        std::filesystem::create_directory(folder / engine);
        for (std::size_t i = 0; i < std::size(kTargets); ++i) {
            WriteFile(folder / engine / ("target" + std::to_string(i) + ".html"), kTargets[i]);
        }
    }
    return OpenWorkspace(folder);
}

std::filesystem::path NewTempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
}

bool RebuildFast(const Workspace& w, Sumirel::Reporter& reporter) {
    Sumirel::PageBuilder builder(w.templateFile, w.addStrings, reporter);
    return builder.BuildPage(w.diaryFile, w.fast.pageFile) &&
           Sumirel::UpdateTargetFiles(w.diaryFile, w.fast.targetFiles, w.addStrings, reporter);
}

bool RebuildReference(const Workspace& w, Sumirel::Reporter& reporter) {
    return SumirelReference::BuildPage(w.templateFile, w.diaryFile, w.reference.pageFile,
                                       w.addStrings, reporter) &&
           SumirelReference::UpdateTargetFiles(w.diaryFile, w.reference.targetFiles, w.addStrings,
                                               reporter);
}

}  // namespace SumirelBench
