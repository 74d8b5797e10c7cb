// Filter matching: the pattern language of MatchesFilters (see Filters.h).
#include "tools/Filters.h"

#include <vector>

#include "tools/TextCase.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

enum class TokenKind { Literal, AnyOne, Digit, List, AnyRun };

struct Range {
    char32_t first;
    char32_t last;
};

struct Token {
    TokenKind kind;
    char32_t literal = 0;
    bool negated = false;
    size_t firstRange = 0;  // into Pattern::ranges, for lists
    size_t rangeCount = 0;
};

struct Pattern {
    std::vector<Token> tokens;
    std::vector<Range> ranges;
};

// Parses "[...]" starting after the "[" at `start`. Returns the index after the "]", or 0
// when the list is not closed (the "[" then stands for itself).
size_t ParseList(const std::u32string& text, size_t start, Pattern& pattern) {
    size_t i = start;
    Token token{TokenKind::List};
    if (i < text.size() && text[i] == U'!') {
        token.negated = true;
        ++i;
    }
    token.firstRange = pattern.ranges.size();
    while (i < text.size() && text[i] != U']') {
        Range range{text[i], text[i]};
        if (i + 2 < text.size() && text[i + 1] == U'-' && text[i + 2] != U']') {
            range.last = text[i + 2];
            i += 3;
        } else {
            ++i;
        }
        pattern.ranges.push_back(range);
    }
    if (i >= text.size()) {
        pattern.ranges.resize(token.firstRange);
        return 0;
    }
    token.rangeCount = pattern.ranges.size() - token.firstRange;
    // "[]" matches the empty run: it adds nothing to the pattern.
    if (token.rangeCount > 0 || token.negated) pattern.tokens.push_back(token);
    return i + 1;
}

Pattern ParsePattern(const std::u32string& text) {
    Pattern pattern;
    for (size_t i = 0; i < text.size();) {
        const char32_t c = text[i];
        if (c == U'[') {
            const size_t next = ParseList(text, i + 1, pattern);
            if (next != 0) {
                i = next;
                continue;
            }
        }
        Token token{TokenKind::Literal, c};
        if (c == U'?') token.kind = TokenKind::AnyOne;
        if (c == U'#') token.kind = TokenKind::Digit;
        if (c == U'*') token.kind = TokenKind::AnyRun;
        pattern.tokens.push_back(token);
        ++i;
    }
    return pattern;
}

bool MatchesOne(const Pattern& pattern, const Token& token, char32_t c) {
    switch (token.kind) {
        case TokenKind::Literal:
            return c == token.literal;
        case TokenKind::AnyOne:
            return true;
        case TokenKind::Digit:
            return c >= U'0' && c <= U'9';
        case TokenKind::List: {
            bool inList = false;
            for (size_t k = 0; k < token.rangeCount && !inList; ++k) {
                const Range& r = pattern.ranges[token.firstRange + k];
                inList = c >= r.first && c <= r.last;
            }
            return inList != token.negated;
        }
        case TokenKind::AnyRun:
            break;
    }
    return false;
}

// Every token but "*" takes exactly one character, so retrying from the last "*" alone
// is enough: the time is bounded by name length times pattern length.
bool MatchesPattern(const std::u32string& name, const Pattern& pattern) {
    const auto& tokens = pattern.tokens;
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t p = 0, n = 0, afterStar = kNone, starName = 0;
    while (n < name.size()) {
        if (p < tokens.size() && tokens[p].kind == TokenKind::AnyRun) {
            afterStar = ++p;
            starName = n;
        } else if (p < tokens.size() && MatchesOne(pattern, tokens[p], name[n])) {
            ++p;
            ++n;
        } else if (afterStar != kNone) {
            p = afterStar;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == TokenKind::AnyRun) ++p;
    return p == tokens.size();
}

}  // namespace

bool MatchesFilters(std::string_view name, std::string_view filters) {
    const std::u32string upperName = UpperCaseCodePoints(name);
    const std::u32string upperFilters = UpperCaseCodePoints(filters);
    if (upperFilters.empty()) return false;
    size_t start = 0;
    while (true) {
        const size_t end = std::min(upperFilters.find(U';', start), upperFilters.size());
        if (MatchesPattern(upperName, ParsePattern(upperFilters.substr(start, end - start)))) {
            return true;
        }
        if (end == upperFilters.size()) return false;
        start = end + 1;
    }
}

}  // namespace pixtrim
