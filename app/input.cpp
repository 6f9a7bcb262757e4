// Reading keys and answers from standard input.
#include <cctype>
#include <cstdio>
#include <limits>

#include "app/console.h"

namespace zel::console {

namespace {

// Reads past white space and returns the first other character, or EOF.
int nextVisible()
{
    // A prompt waits for an answer; show it before blocking even when output is a pipe.
    std::fflush(stdout);
    int c = std::getchar();
    while (c != EOF && std::isspace(c)) {
        c = std::getchar();
    }
    return c;
}

void discardLine()
{
    int c = std::getchar();
    while (c != EOF && c != '\n') {
        c = std::getchar();
    }
}

bool invalidAnswer()
{
    discardLine();
    std::printf("input value is invalid\n");
    return false;
}

} // namespace

bool readKey(char& key)
{
    const int c = nextVisible();
    if (c == EOF) {
        return false;
    }
    key = static_cast<char>(c);
    return true;
}

bool readNumber(int32_t& value)
{
    int c = nextVisible();
    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        c = std::getchar();
    }
    if (c == EOF || !std::isdigit(c)) {
        if (c != EOF) {
            std::ungetc(c, stdin);
        }
        return invalidAnswer();
    }
    // 2^31, the magnitude of the most negative answer, is the largest any answer may have.
    constexpr int64_t kMaxMagnitude = int64_t{1} << 31;
    int64_t magnitude = 0;
    while (c != EOF && std::isdigit(c)) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kMaxMagnitude) {
            return invalidAnswer();
        }
        c = std::getchar();
    }
    if (c != EOF) {
        std::ungetc(c, stdin);
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) {
        return invalidAnswer();
    }
    value = static_cast<int32_t>(signedValue);
    return true;
}

} // namespace zel::console
