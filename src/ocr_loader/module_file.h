#pragma once

#include <filesystem>
#include <string>

namespace leggipdf {

/// Why the file at `path` cannot be handed to dlopen; empty when it can, or
/// when it cannot be opened (dlopen then says why). The dynamic loader maps a
/// module's loadable segments from its file and dies by SIGBUS, past every
/// handler, on touching one that lies beyond the end of a file cut short. So
/// a module must be an ELF shared object of this program's class, byte order
/// and machine, whose program headers and loadable segments lie inside it.
std::string moduleFileFlaw(const std::filesystem::path& path);

}  // namespace leggipdf
