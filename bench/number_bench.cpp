// Number conversion throughput against the C and C++ library routines that
// do the same job. The per_number counter is the time for one number.
#include "obj/number_parse.h"
#include "output/decimal_digits.h"
#include "output/float_format.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kTokenCount = 4096;

// Tokens stored back to back, each followed by a NUL so that the C
// routines can read them in place too.
struct TokenSet {
    std::string text;
    std::vector<std::size_t> starts;
    std::vector<std::size_t> lengths;
};

template <typename Make>
TokenSet MakeTokens(Make make)
{
    TokenSet set;
    std::mt19937_64 rng(42);
    char token[64];
    for (std::size_t i = 0; i < kTokenCount; ++i) {
        const int length = make(rng, token, sizeof token);
        set.starts.push_back(set.text.size());
        set.lengths.push_back(static_cast<std::size_t>(length));
        set.text.append(token, static_cast<std::size_t>(length));
        set.text.push_back('\0');
    }
    return set;
}

// Coordinates as exporters write them: six decimals, mostly small
// magnitudes, about half negative.
const TokenSet& CoordinateTokens()
{
    static const TokenSet set = MakeTokens([](std::mt19937_64& rng, char* out, std::size_t size) {
        std::uniform_real_distribution<double> value(-150.0, 150.0);
        return std::snprintf(out, size, "%.6f", value(rng) / ((rng() % 4) == 0 ? 100.0 : 1.0));
    });
    return set;
}

const TokenSet& IndexTokens()
{
    static const TokenSet set = MakeTokens([](std::mt19937_64& rng, char* out, std::size_t size) {
        return std::snprintf(out, size, "%u", static_cast<unsigned>(1 + rng() % 2000000));
    });
    return set;
}

const std::vector<float>& CoordinateValues()
{
    static const std::vector<float> values = [] {
        std::vector<float> list;
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<float> value(-150.0f, 150.0f);
        for (std::size_t i = 0; i < kTokenCount; ++i) {
            list.push_back(value(rng) / ((rng() % 4) == 0 ? 100.0f : 1.0f));
        }
        return list;
    }();
    return values;
}

// Indices as a large model's index rows hold them: up to a few hundred
// thousand, mostly of five and six digits.
const std::vector<std::uint32_t>& IndexValues()
{
    static const std::vector<std::uint32_t> values = [] {
        std::vector<std::uint32_t> list;
        std::mt19937_64 rng(9);
        for (std::size_t i = 0; i < kTokenCount; ++i) {
            list.push_back(static_cast<std::uint32_t>(rng() % 300000));
        }
        return list;
    }();
    return values;
}

void SetPerNumber(benchmark::State& state)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kTokenCount));
    state.counters["per_number"] = benchmark::Counter(
        static_cast<double>(kTokenCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <typename Parse>
void RunParse(benchmark::State& state, const TokenSet& set, Parse parse)
{
    const char* const text = set.text.data();
    for (auto _ : state) {
        for (std::size_t i = 0; i < kTokenCount; ++i) {
            const char* const begin = text + set.starts[i];
            benchmark::DoNotOptimize(parse(begin, begin + set.lengths[i]));
        }
    }
    SetPerNumber(state);
}

// The tokens as the line reader meets them: each ended by a space, and the
// text padded as the reader's is.
std::string PlainText(const TokenSet& set)
{
    std::string text = set.text;
    for (std::size_t i = 0; i < kTokenCount; ++i)
        text[set.starts[i] + set.lengths[i]] = ' ';
    return text + std::string(torvane::kPlainReadReach, '\0');
}

template <typename Parse>
void RunPlainParse(benchmark::State& state, const TokenSet& set, Parse parse)
{
    const std::string text = PlainText(set);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kTokenCount; ++i)
            benchmark::DoNotOptimize(parse(text.data() + set.starts[i]));
    }
    SetPerNumber(state);
}

void BM_ParsePlainDecimal(benchmark::State& state)
{
    RunPlainParse(state, CoordinateTokens(), [](const char* begin) {
        double value = 0;
        torvane::ParsePlainDecimal(begin, &value);
        return static_cast<float>(value);
    });
}

void BM_ParseShortDigits(benchmark::State& state)
{
    RunPlainParse(state, IndexTokens(), [](const char* begin) {
        std::uint32_t value = 0;
        torvane::ParseShortDigits(begin, &value);
        return value;
    });
}

void BM_ParseFloatPrefix(benchmark::State& state)
{
    RunParse(state, CoordinateTokens(),
             [](const char* begin, const char* end) { return torvane::ParseFloatPrefix(begin, end); });
}

void BM_Strtod(benchmark::State& state)
{
    RunParse(state, CoordinateTokens(),
             [](const char* begin, const char*) { return static_cast<float>(std::strtod(begin, nullptr)); });
}

void BM_FromChars(benchmark::State& state)
{
    RunParse(state, CoordinateTokens(), [](const char* begin, const char* end) {
        double value = 0;
        std::from_chars(begin, end, value);
        return static_cast<float>(value);
    });
}

void BM_ParseIntPrefix(benchmark::State& state)
{
    RunParse(state, IndexTokens(),
             [](const char* begin, const char* end) { return torvane::ParseIntPrefix(begin, end); });
}

void BM_Atoi(benchmark::State& state)
{
    RunParse(state, IndexTokens(), [](const char* begin, const char*) { return std::atoi(begin); });
}

template <typename Format>
void RunFormat(benchmark::State& state, Format format)
{
    const std::vector<float>& values = CoordinateValues();
    char text[128];
    for (auto _ : state) {
        for (const float value : values) {
            benchmark::DoNotOptimize(format(value, text));
            benchmark::ClobberMemory();
        }
    }
    SetPerNumber(state);
}

void BM_FormatFixed6(benchmark::State& state)
{
    RunFormat(state, [](float value, char* out) { return torvane::FormatFixed6(value, out); });
}

void BM_Snprintf(benchmark::State& state)
{
    RunFormat(state, [](float value, char* out) {
        return std::snprintf(out, torvane::kFixed6MaxLength + 1, "%.6f", static_cast<double>(value));
    });
}

void BM_ToCharsFixed6(benchmark::State& state)
{
    RunFormat(state, [](float value, char* out) {
        return std::to_chars(out, out + torvane::kFixed6MaxLength, static_cast<double>(value), std::chars_format::fixed,
                             6)
            .ptr;
    });
}

template <typename Format>
void RunFormatIndex(benchmark::State& state, Format format)
{
    const std::vector<std::uint32_t>& values = IndexValues();
    char text[32];
    for (auto _ : state) {
        for (const std::uint32_t value : values) {
            benchmark::DoNotOptimize(format(value, text));
            benchmark::ClobberMemory();
        }
    }
    SetPerNumber(state);
}

void BM_PutDecimal(benchmark::State& state)
{
    RunFormatIndex(state, [](std::uint32_t value, char* out) { return torvane::PutDecimal(out, value); });
}

void BM_ToCharsIndex(benchmark::State& state)
{
    RunFormatIndex(state, [](std::uint32_t value, char* out) { return std::to_chars(out, out + 16, value).ptr; });
}

}  // namespace

BENCHMARK(BM_ParsePlainDecimal);
BENCHMARK(BM_ParseFloatPrefix);
BENCHMARK(BM_Strtod);
BENCHMARK(BM_FromChars);
BENCHMARK(BM_ParseShortDigits);
BENCHMARK(BM_ParseIntPrefix);
BENCHMARK(BM_Atoi);
BENCHMARK(BM_FormatFixed6);
BENCHMARK(BM_Snprintf);
BENCHMARK(BM_ToCharsFixed6);
BENCHMARK(BM_PutDecimal);
BENCHMARK(BM_ToCharsIndex);

BENCHMARK_MAIN();
