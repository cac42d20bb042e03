// How the sandbox starts a job: the job's folders opened for the child,
// and its command line, in bubblewrap or run directly.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/grade/sandbox.hpp"

namespace sandbox_parts {

struct Launch {
    std::vector<std::string> words;  // the whole command line
    std::vector<int> folder_fds;     // become descriptors 3, 4, ... in the child
    std::vector<std::string> environment;
    std::string directory;           // the child's, without a sandbox
};

// The program `name` in the folders of PATH; empty when there is none.
std::string find_program(const std::string& name);

// The job's folders and its /tmp opened (they become the child's
// descriptors 3, 4, ...), and the host paths it may write; false with
// `error`, nothing left open.
bool open_folders(const SandboxJob& job, std::vector<int>& opened, std::vector<std::string>& writable,
                  std::string& error);

// The job's command in bubblewrap, given `descriptors` opened folders.
Launch sandbox_launch(const SandboxJob& job, std::size_t descriptors);

// The job's command run directly, in its folder, with a plain environment.
Launch plain_launch(const SandboxJob& job);

}  // namespace sandbox_parts
