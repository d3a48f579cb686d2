#include "diary/FindPattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace Sumirel {

namespace {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// One compiled pattern, or the engine's message when it could not be compiled.
struct CompiledPattern {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    bool jit = false;
    // A pattern without any pattern character matches exactly its own bytes; a plain byte
    // search finds the same leftmost match faster than a call into the engine.
    bool literal = false;
    std::string error;
};

bool IsLiteral(std::string_view pattern) {
    return !pattern.empty() && pattern.find_first_of(std::string_view("\\^$.[]|()?*+{}#\0", 16)) ==
                                   std::string_view::npos;
}

std::string EngineErrorText(int errorCode) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(errorCode, buffer, sizeof buffer);
    if (length < 0) {
        return "regular expression error " + std::to_string(errorCode);
    }
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

CompiledPattern Compile(std::string_view pattern) {
    CompiledPattern compiled;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     0, &errorCode, &errorOffset, nullptr);
    if (code == nullptr) {
        compiled.error = EngineErrorText(errorCode);
        return compiled;
    }
    // The JIT is only a speed-up; without it the interpreter gives the same matches.
    compiled.jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
    compiled.literal = IsLiteral(pattern);
    compiled.code.reset(code);
    return compiled;
}

// The engine runs on one thread; each thread keeps its own compiled patterns. The engine
// uses a handful of fixed patterns, so the cache stays small. The engine's patterns are
// constants, so a small table keyed by the text's address finds them without hashing the
// text; its entry is still checked against the text, so a reused address cannot mislead it.
const CompiledPattern& CachedPattern(std::string_view pattern) {
    struct Slot {
        const char* address = nullptr;
        std::string_view text;
        const CompiledPattern* compiled = nullptr;
    };
    thread_local std::unordered_map<std::string, CompiledPattern> cache;
    thread_local Slot recent[64];
    Slot& slot = recent[(reinterpret_cast<std::uintptr_t>(pattern.data()) >> 3) % 64];
    if (slot.compiled != nullptr && slot.address == pattern.data() && slot.text == pattern) {
        return *slot.compiled;
    }
    auto it = cache.find(std::string(pattern));
    if (it == cache.end()) {
        it = cache.emplace(std::string(pattern), Compile(pattern)).first;
    }
    // Map nodes never move, so the key's text and the value stay valid.
    slot = {pattern.data(), it->first, &it->second};
    return it->second;
}

pcre2_match_data* MatchData() {
    thread_local std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create(1, nullptr));
    return data.get();
}

}  // namespace

SearchOutcome SearchPattern(std::string_view text, std::string_view pattern, std::size_t from,
                            Reporter& reporter) {
    SearchOutcome outcome;
    const CompiledPattern& compiled = CachedPattern(pattern);
    if (!compiled.code) {
        reporter.ShowEngineMessage(compiled.error);
        outcome.EngineFailed = true;
        return outcome;
    }
    if (from > text.size()) {
        return outcome;
    }
    if (compiled.literal) {
        const std::size_t at = text.find(pattern, from);
        if (at != std::string_view::npos) {
            outcome.Match = {static_cast<std::uint32_t>(at + 1),
                             static_cast<std::uint32_t>(pattern.size()), true};
        }
        return outcome;
    }
    pcre2_match_data* data = MatchData();
    // An empty view may have no storage; the engine still needs a valid pointer.
    const char* subject = text.data() != nullptr ? text.data() : "";
    const auto match = compiled.jit ? pcre2_jit_match : pcre2_match;
    const int rc = match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(subject), text.size(),
                         from, 0, data, nullptr);
    if (rc > 0) {
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
        outcome.Match.Position = static_cast<std::uint32_t>(ovector[0] + 1);
        outcome.Match.Length = static_cast<std::uint32_t>(ovector[1] - ovector[0]);
        outcome.Match.Found = true;
    } else if (rc != PCRE2_ERROR_NOMATCH) {
        // A failure while matching (a resource limit, say) counts as no match, as a
        // rejected pattern does, and the engine's text is shown.
        reporter.ShowEngineMessage(EngineErrorText(rc));
        outcome.EngineFailed = true;
    }
    return outcome;
}

PatternMatch FindPattern(std::string_view text, std::string_view pattern, Reporter& reporter) {
    return SearchPattern(text, pattern, 0, reporter).Match;
}

}  // namespace Sumirel
