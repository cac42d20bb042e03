// The grading results and their text form: one field a line, "name value",
// with newlines and backslashes escaped so that any message fits a line.
#include "tools/grade/results.hpp"

#include <sstream>

namespace {

std::string escape(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
            out += text[i] == 'n' ? '\n' : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

constexpr Status all_statuses[] = {Status::identical, Status::differs, Status::build_failed,
                                   Status::run_failed, Status::timed_out, Status::killed};

bool read_status(const std::string& text, Status& status)
{
    for (const Status candidate : all_statuses)
        if (text == status_name(candidate)) {
            status = candidate;
            return true;
        }
    return false;
}

bool read_size(const std::string& text, PictureSize& size)
{
    char cross = 0;
    std::istringstream in(text);
    return static_cast<bool>(in >> size.width >> cross >> size.height) && cross == 'x';
}

}  // namespace

const char* status_name(Status status)
{
    switch (status) {
    case Status::identical: return "identical";
    case Status::differs: return "differs";
    case Status::build_failed: return "build_failed";
    case Status::run_failed: return "run_failed";
    case Status::timed_out: return "timed_out";
    case Status::killed: return "killed";
    }
    return "?";
}

std::string PictureSize::text() const
{
    return std::to_string(width) + "x" + std::to_string(height);
}

bool StudentResult::reusable() const
{
    const auto chance = [](Status s) { return s == Status::timed_out || s == Status::killed; };
    if (!built) return !chance(build_failure);
    for (const SizeResult& size : sizes)
        if (!size.ran && chance(size.failure)) return false;
    return true;
}

Status picture_status(const StudentResult& result, std::size_t size_index, int picture)
{
    if (!result.built) return result.build_failure;
    const SizeResult& size = result.sizes[size_index];
    if (!size.ran) return size.failure;
    return size.differing[static_cast<std::size_t>(picture - 1)] == 0 ? Status::identical : Status::differs;
}

std::string write_result(const StudentResult& result, const std::string& key)
{
    std::ostringstream out;
    out << "surfgrade-result 1\nkey " << key << "\nname " << escape(result.name) << "\n";
    for (const std::string& file : result.files) out << "file " << escape(file) << "\n";
    for (const std::string& note : result.notes) out << "note " << escape(note) << "\n";
    out << "build " << (result.built ? "ok" : status_name(result.build_failure)) << "\n";
    out << "build-message " << escape(result.build_message) << "\n";
    for (const SizeResult& size : result.sizes) {
        out << "size " << size.size.text() << " " << (size.ran ? "ran" : status_name(size.failure)) << "\n";
        out << "size-message " << escape(size.message) << "\n";
        out << "differing";
        for (const long long count : size.differing) out << " " << count;
        out << "\n";
    }
    return out.str();
}

bool read_result(const std::string& text, const std::string& key, StudentResult& result)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != "surfgrade-result 1") return false;
    if (!std::getline(in, line) || line != "key " + key) return false;
    StudentResult read;
    while (std::getline(in, line)) {
        const std::size_t space = line.find(' ');
        const std::string field = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (field == "name") read.name = unescape(value);
        else if (field == "file") read.files.push_back(unescape(value));
        else if (field == "note") read.notes.push_back(unescape(value));
        else if (field == "build") {
            read.built = value == "ok";
            if (!read.built && !read_status(value, read.build_failure)) return false;
        } else if (field == "build-message") read.build_message = unescape(value);
        else if (field == "size") {
            SizeResult size;
            const std::size_t gap = value.find(' ');
            if (gap == std::string::npos || !read_size(value.substr(0, gap), size.size)) return false;
            const std::string state = value.substr(gap + 1);
            size.ran = state == "ran";
            if (!size.ran && !read_status(state, size.failure)) return false;
            read.sizes.push_back(size);
        } else if (field == "size-message" && !read.sizes.empty()) read.sizes.back().message = unescape(value);
        else if (field == "differing" && !read.sizes.empty()) {
            std::istringstream counts(value);
            long long count = 0;
            while (counts >> count) read.sizes.back().differing.push_back(count);
        } else return false;
    }
    for (const SizeResult& size : read.sizes)
        if (size.ran && size.differing.size() != 12) return false;
    read.id = result.id;
    result = read;
    return true;
}
