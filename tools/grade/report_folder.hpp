// The report's folder: made beside REPORT under a temporary name, and put
// in place only when complete.  A REPORT that holds anything but an
// earlier report of surfgrade's (or nothing) is refused and left as it is.
// Two runs on one REPORT take turns: a lock beside it is held from the
// check to the swap, so that neither swaps away the other's report while
// it is being read or made.
#pragma once

#include <functional>
#include <string>

#include "tools/grade/grade_files.hpp"
#include "tools/output/folder_lock.hpp"

class ReportFolder {
public:
    ReportFolder() = default;
    ReportFolder(const ReportFolder&) = delete;
    ReportFolder& operator=(const ReportFolder&) = delete;
    // Removes the temporary folder when the report was not put in place.
    ~ReportFolder();

    // Waits for another run on REPORT (calling `on_wait` first), checks
    // REPORT and makes the temporary folder; false with a one-line error.
    bool prepare(const std::string& path, const std::function<void()>& on_wait, std::string& error);
    // The folder being written.
    const std::string& folder() const { return temporary_; }
    // The earlier report, or empty.
    const std::string& previous() const { return previous_; }
    // Puts the new report in place of the earlier one, which is removed.
    bool commit(std::string& error);
    // Removes the temporary folder now (on SIGINT, say).
    void discard();

private:
    std::string path_, temporary_, previous_;
    bool exists_ = false;
    FolderLock lock_;

    bool take_lock(const std::function<void()>& on_wait, std::string& error);
};
