#include "app/settings.h"

#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

bool isPlain(std::string_view value, std::string_view allowed) {
    return value.find_first_not_of(allowed) == std::string_view::npos;
}

// The workers' alarm counts whole microseconds; less would be no time at all.
constexpr double kShortestTimeout = 0.000001;
// Thirty years: a longer bound is no bound, and is taken as this one.
constexpr double kLongestTimeout = 1e9;

std::optional<double> pageTimeout() {
    const char* value = std::getenv("LEGGIPDF_PAGE_TIMEOUT");
    if (!value || !*value) return std::nullopt;
    char* end = nullptr;
    const double seconds = std::strtod(value, &end);
    // Whole value, a plain number: no "inf", "nan", hexadecimal or sign games.
    if (*end || !isPlain(value, "0123456789.") || seconds < kShortestTimeout) {
        throw ExtractionFailure::invalidSetting("LEGGIPDF_PAGE_TIMEOUT");
    }
    return std::min(seconds, kLongestTimeout);
}

unsigned usableCpus() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) return 1;
    return static_cast<unsigned>(std::max(CPU_COUNT(&cpus), 1));
}

// No system runs more processes at once (the kernel's largest process ID).
constexpr unsigned long kMostJobs = 4194304;

unsigned jobs() {
    const char* value = std::getenv("LEGGIPDF_JOBS");
    if (!value || !*value) return 1;
    if (std::string_view(value) == "auto") return usableCpus();
    // Digits only; a number too large for strtoul comes back as its largest.
    const unsigned long count = isPlain(value, "0123456789") ? std::strtoul(value, nullptr, 10) : 0;
    if (count == 0) throw ExtractionFailure::invalidSetting("LEGGIPDF_JOBS");
    return static_cast<unsigned>(std::min(count, kMostJobs));
}

}  // namespace

Settings settingsFromEnvironment() {
    Settings settings;
    settings.pageTimeout = pageTimeout();
    settings.jobs = jobs();
    return settings;
}

}  // namespace leggipdf
