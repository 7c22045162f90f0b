// A test seam of the POSIX state file: the read it uses, so that a test can
// make reading fail as a failing disk does (EIO) without one.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace tomelet {

using posix_read_function = ssize_t (*)(int fd, void* buffer, size_t count);
// The read the state file uses from now on; null puts back the system's.
void posix_state_file_set_read(posix_read_function read);

}  // namespace tomelet
