// The diff folder's rules: surfcompare writes, replaces and removes only its
// own diff pictures there.  An NN.png that is a link, a folder or a picture
// without its mark is someone else's, and such a folder is refused whole.
#pragma once

#include <functional>
#include <string>

#include "tools/output/output_folder.hpp"

class DiffFolder {
public:
    explicit DiffFolder(const std::string& path) : folder_(path, "the diff folder") {}

    // Before any picture is read: the folder must not be one of the two
    // compared ones, must be writable or creatable, and may hold only
    // surfcompare's own diff pictures.  It is created when missing and taken
    // from any other run into it (`on_wait` is called before waiting).
    bool take(const std::string& expected_folder, const std::string& actual_folder,
              const std::function<void()>& on_wait, std::string& error);
    OutputFolder& output() { return folder_; }

private:
    bool check_before_taking(const std::string& expected_folder, const std::string& actual_folder,
                             std::string& error) const;
    bool check_pictures(std::string& error) const;

    OutputFolder folder_;
};

// "01.png" ... "12.png".
std::string picture_file_name(int number);
