#pragma once

#include <optional>

namespace leggipdf {

/// What the environment asks of a run.
struct Settings {
    /// LEGGIPDF_PAGE_TIMEOUT: seconds for drawing and reading each page
    /// without a text layer; empty (no bound) when unset or empty.
    std::optional<double> pageTimeout;
    /// LEGGIPDF_JOBS: pages recognised at once; 1 when unset or empty, the
    /// CPUs this process may run on for "auto".
    unsigned jobs = 1;
};

/// Reads the settings. Throws ExtractionFailure invalidSetting naming the
/// first variable whose value is not one of those above.
Settings settingsFromEnvironment();

}  // namespace leggipdf
