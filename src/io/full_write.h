#pragma once

#include <string_view>

namespace leggipdf {

/// Writes every byte of `bytes` to `fd`, resuming after signals and short
/// writes and waiting while a non-blocking descriptor is full. False when a
/// write fails (a full disk, a closed descriptor, a reader gone).
bool writtenFully(int fd, std::string_view bytes);

}  // namespace leggipdf
