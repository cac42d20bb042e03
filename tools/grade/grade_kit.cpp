// Loading, copying and completing the grade kit.
#include "tools/grade/grade_kit.hpp"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/grade/grade_files.hpp"
#include "tools/grade/sandbox.hpp"

namespace {

// Exactly the standard headers that the kit's headers include: a student's
// file that includes the kit's headers sees nothing more with it.
constexpr const char* prelude_name = "grade-prelude.hpp";
constexpr const char* prelude_text =
    "// The standard headers of the kit's headers, precompiled once per grading.\n"
    "#include <cstddef>\n#include <cstdint>\n#include <optional>\n#include <random>\n#include <string_view>\n";

std::vector<std::string> words_of(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace

bool precompile_prelude(GradeKit& kit, const std::string& folder)
{
    if (mkdir(folder.c_str(), 0755) != 0 || !write_file(folder + "/" + prelude_name, prelude_text)) return false;
    std::vector<std::string> words = {kit.compiler};
    words.insert(words.end(), kit.compile_flags.begin(), kit.compile_flags.end());
    words.insert(words.end(), {"-x", "c++-header", folder + "/" + prelude_name, "-o",
                               folder + "/" + prelude_name + ".gch"});
    const Sandbox own(false);
    SandboxJob job;
    job.command = words;
    job.directory = folder;
    job.limits.wall_seconds = 300;
    job.limits.memory_bytes = 4L << 30;
    const SandboxOutcome outcome = own.run(job);
    if (!outcome.started || !outcome.exited || outcome.code != 0) return false;
    kit.prelude_folder = folder;
    kit.prelude_header = prelude_name;
    return true;
}

bool copy_grade_kit(GradeKit& kit, const std::string& folder, std::string& error)
{
    bool ok = mkdir(folder.c_str(), 0755) == 0 && mkdir((folder + "/lib").c_str(), 0755) == 0;
    for (const std::string& archive : kit.archives) {
        std::string content;
        ok = ok && read_file(kit.folder + "/lib/" + archive, content) && write_file(folder + "/lib/" + archive, content);
    }
    // The headers, one folder deep.
    const std::string include = kit.folder + "/include";
    ok = ok && mkdir((folder + "/include").c_str(), 0755) == 0;
    if (DIR* top = ok ? opendir(include.c_str()) : nullptr) {
        while (const dirent* entry = readdir(top)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || entry->d_type != DT_DIR) continue;
            ok = ok && copy_tree(include + "/" + name, folder + "/include/" + name);
        }
        closedir(top);
    }
    if (!ok) {
        error = "cannot copy the grade kit into " + folder + ": " + std::strerror(errno);
        return false;
    }
    kit.folder = folder;
    return true;
}

bool load_grade_kit(const std::string& folder, GradeKit& kit, std::string& error)
{
    std::string text;
    if (!read_file(folder + "/kit.txt", text)) {
        error = "the grade kit is missing: no " + folder + "/kit.txt";
        return false;
    }
    kit.folder = folder;
    ContentHash id;
    id.add(text);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> words = words_of(line);
        if (words.empty()) continue;
        const std::string field = words.front();
        words.erase(words.begin());
        if (field == "compiler" && !words.empty()) kit.compiler = words.front();
        else if (field == "compile") kit.compile_flags = words;
        else if (field == "archives") kit.archives = words;
        else if (field == "link") kit.link_flags = words;
    }
    for (const std::string& archive : kit.archives) {
        std::string content;
        if (!read_file(folder + "/lib/" + archive, content)) {
            error = "the grade kit is incomplete: no " + folder + "/lib/" + archive;
            return false;
        }
        id.add(content);
    }
    if (kit.compiler.empty() || kit.archives.empty() || access(kit.compiler.c_str(), X_OK) != 0) {
        error = "the compiler " + (kit.compiler.empty() ? std::string("of the grade kit") : kit.compiler) +
                " is not installed (g++ is needed to grade)";
        return false;
    }
    if (kit.compiler.rfind("/usr/", 0) != 0) {
        error = "the compiler " + kit.compiler + " is not under /usr, the sandbox's only system folder";
        return false;
    }
    kit.id = id.hex();
    return true;
}
