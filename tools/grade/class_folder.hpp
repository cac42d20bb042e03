// The class folder: one folder per student, named after the student, with
// some of the seven renderer files.  Anything else is noted and ignored.
#pragma once

#include <string>
#include <vector>

// The seven renderer files a student may hand in, in the show's order.
const std::vector<std::string>& renderer_files();

struct Student {
    std::string name;    // the folder's name
    std::string folder;  // its path
    std::vector<std::string> files;  // renderer files found, in renderer_files() order
    std::vector<std::string> notes;  // what was ignored, and why
};

struct ClassFolder {
    std::vector<Student> students;   // in the order of their names
    std::vector<std::string> notes;  // entries of CLASS that are not students
};

// False with a one-line `error` when `path` is not a folder or holds no
// student's folder.
bool read_class_folder(const std::string& path, ClassFolder& result, std::string& error);

// Reads one handed-in file without following a link, refusing anything
// but a regular file of at most `most` bytes; false with a short reason.
bool read_handed_in(const std::string& path, std::size_t most, std::string& text, std::string& why);
