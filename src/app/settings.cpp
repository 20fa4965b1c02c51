#include "app/settings.h"

#include <sched.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

bool isPlain(std::string_view value, std::string_view allowed) {
    return value.find_first_not_of(allowed) == std::string_view::npos;
}

std::optional<double> pageTimeout() {
    const char* value = std::getenv("LEGGIPDF_PAGE_TIMEOUT");
    if (!value || !*value) return std::nullopt;
    char* end = nullptr;
    const double seconds = std::strtod(value, &end);
    // Whole value, a plain number: no "inf", "nan", hexadecimal or sign games.
    if (*end || !isPlain(value, "0123456789.") || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e9) {
        throw ExtractionFailure::invalidSetting("LEGGIPDF_PAGE_TIMEOUT");
    }
    return seconds;
}

unsigned usableCpus() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) return 1;
    return static_cast<unsigned>(std::max(CPU_COUNT(&cpus), 1));
}

unsigned jobs() {
    const char* value = std::getenv("LEGGIPDF_JOBS");
    if (!value || !*value) return 1;
    if (std::string_view(value) == "auto") return usableCpus();
    const std::string_view digits(value);
    // Digits only, and few enough that no count of pages could use more.
    if (!isPlain(digits, "0123456789") || digits.size() > 9) throw ExtractionFailure::invalidSetting("LEGGIPDF_JOBS");
    const auto count = std::strtoul(value, nullptr, 10);
    if (count == 0) throw ExtractionFailure::invalidSetting("LEGGIPDF_JOBS");
    return static_cast<unsigned>(count);
}

}  // namespace

Settings settingsFromEnvironment() {
    Settings settings;
    settings.pageTimeout = pageTimeout();
    settings.jobs = jobs();
    return settings;
}

}  // namespace leggipdf
