#pragma once
// A broken promise stops the fuzzer with the condition and, where given, what
// the harness knew; libFuzzer keeps the input that did it.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace murn::fuzz {

[[noreturn]] inline void Broken(const char* condition, const std::string& context, const char* file,
                                int line) {
    std::fprintf(stderr, "%s:%d: broken: %s%s%s\n", file, line, condition, context.empty() ? "" : " -- ",
                 context.c_str());
    std::abort();
}

}  // namespace murn::fuzz

// A macro only for the condition's text and the place.
#define FUZZ_REQUIRE(condition, context) \
    ((condition) ? (void)0 : ::murn::fuzz::Broken(#condition, (context), __FILE__, __LINE__))
