// Where a failing operation was made.  The stack is walked with the C
// library's backtrace(), and each address is told as function, file and line
// from the program's own debug information, read through elfutils' libdwfl;
// functions inlined into others are told with the line that called them.
#include "runtime/error_location.hpp"

#include <cxxabi.h>
#include <dwarf.h>
#include <elfutils/libdwfl.h>
#include <execinfo.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// The build names the top folder, to tell file names from it; without it
// they are told as the compiler recorded them.
#ifndef SURF_SOURCE_DIR
#define SURF_SOURCE_DIR "."
#endif

namespace {

// One step of the chain from the failing code out to main: a function, maybe
// inlined into the next one, and the line it had reached.
struct Place {
    std::string function;
    std::string file;  // relative to the project's top folder when inside it
    int line = 0;      // 0: no line information
    bool in_project = false;
};

constexpr int most_frames = 64;
constexpr int most_callers_told = 8;

// `in_program`: the code is the program's own, not a shared library's.
std::string project_relative(const char* path, bool in_program, bool& in_project)
{
    std::string file = path ? path : "";
    const std::string top = SURF_SOURCE_DIR "/";
    if (file.compare(0, top.size(), top) == 0) file.erase(0, top.size());
    else if (file.compare(0, 2, "./") == 0) file.erase(0, 2);
    // Built with the top folder mapped away (-ffile-prefix-map): relative.
    // The run-time's own code (an EXTENDED operation inlined into the
    // statement that failed) is passed over like a library's.
    in_project = in_program && !file.empty() && file[0] != '/' && file.compare(0, 8, "runtime/") != 0;
    return file;
}

// "TFVTABLA::operator()(long, long)" -> "TFVTABLA::operator()".
std::string without_parameters(std::string name)
{
    const std::size_t close = name.rfind(')');
    if (close != std::string::npos) {
        int depth = 0;
        for (std::size_t at = close + 1; at-- > 0;) {
            if (name[at] == ')') ++depth;
            if (name[at] == '(' && --depth == 0) {
                name.erase(at);
                break;
            }
        }
    }
    const std::string anonymous = "(anonymous namespace)::";
    for (std::size_t at; (at = name.find(anonymous)) != std::string::npos;) name.erase(at, anonymous.size());
    return name;
}

std::string readable_name(const char* linkage_name)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(linkage_name, nullptr, nullptr, &status);
    if (!demangled) return linkage_name;
    std::string name = without_parameters(demangled);
    std::free(demangled);
    return name;
}

std::string function_name(Dwarf_Die* die)
{
    Dwarf_Attribute attribute;
    if (const char* linkage = dwarf_formstring(dwarf_attr_integrate(die, DW_AT_linkage_name, &attribute)))
        return readable_name(linkage);
    const char* name = dwarf_diename(die);
    return name ? name : "?";
}

// The places at one code address: the innermost inlined function first, out
// to the function whose code it is.
void add_places(Dwfl* dwfl, Dwarf_Addr pc, std::vector<Place>& places)
{
    Dwfl_Module* module = dwfl_addrmodule(dwfl, pc);
    if (!module) return;
    const bool in_program =
        module == dwfl_addrmodule(dwfl, reinterpret_cast<std::uintptr_t>(&describe_location));
    Dwarf_Addr bias = 0;
    Dwarf_Die* unit = dwfl_module_addrdie(module, pc, &bias);
    Dwfl_Line* line = dwfl_module_getsrc(module, pc);
    // The innermost scope at the address, then the scopes that hold it in
    // the code as laid out: an inlined function is held by its caller.
    Dwarf_Die* scopes = nullptr;
    int count = unit && line ? dwarf_getscopes(unit, pc - bias, &scopes) : 0;
    if (count > 0) {
        Dwarf_Die innermost = scopes[0];
        std::free(scopes);
        scopes = nullptr;
        count = dwarf_getscopes_die(&innermost, &scopes);
    }
    int number = 0;
    const char* file = line ? dwfl_lineinfo(line, nullptr, &number, nullptr, nullptr, nullptr) : nullptr;
    if (count <= 0) {
        // No scope found (a function defined inside another, as a lambda,
        // is not searched for): the symbol's name, with the line if known.
        const char* symbol = dwfl_module_addrname(module, pc);
        Place place{symbol ? readable_name(symbol) : "?", "", file ? number : 0, false};
        place.file = project_relative(file, in_program, place.in_project);
        places.push_back(place);
        return;
    }
    Dwarf_Files* files = nullptr;
    std::size_t file_count = 0;
    if (dwarf_getsrcfiles(unit, &files, &file_count) != 0) files = nullptr;
    for (int i = 0; i < count; ++i) {
        const int tag = dwarf_tag(&scopes[i]);
        if (tag != DW_TAG_subprogram && tag != DW_TAG_inlined_subroutine) continue;
        Place place{function_name(&scopes[i]), "", number, false};
        place.file = project_relative(file, in_program, place.in_project);
        places.push_back(place);
        if (tag == DW_TAG_subprogram) break;
        // The caller of an inlined function stands at the line of the call.
        Dwarf_Attribute attribute;
        Dwarf_Word call_file = 0, call_line = 0;
        if (files && dwarf_formudata(dwarf_attr(&scopes[i], DW_AT_call_file, &attribute), &call_file) == 0)
            file = dwarf_filesrc(files, call_file, nullptr, nullptr);
        if (dwarf_formudata(dwarf_attr(&scopes[i], DW_AT_call_line, &attribute), &call_line) == 0)
            number = static_cast<int>(call_line);
    }
    std::free(scopes);
}

// Where the stack goes on from `address`: its frame, or else (the x87's own
// record of a failed instruction, in a function the trap has since left)
// the frame the signal interrupted, just past the signal's return trampoline.
int frame_after(Dwfl* dwfl, void* const* frames, int count, const void* address)
{
    for (int i = 0; i < count; ++i)
        if (frames[i] == address) return i + 1;
    for (int i = 0; i + 1 < count; ++i) {
        const auto pc = reinterpret_cast<std::uintptr_t>(frames[i]);
        Dwfl_Module* module = dwfl_addrmodule(dwfl, pc);
        const char* symbol = module ? dwfl_module_addrname(module, pc) : nullptr;
        if (symbol && std::string(symbol) == "__restore_rt") return i + 1;
    }
    return count;  // the stack could not be walked: the address alone
}

// The chain of places from `address` outwards, from the program's own stack.
std::vector<Place> places_from(const void* address, bool exact)
{
    void* frames[most_frames];
    const int count = backtrace(frames, most_frames);
    static const Dwfl_Callbacks callbacks = {dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo,
                                             nullptr, nullptr};
    std::vector<Place> places;
    Dwfl* dwfl = dwfl_begin(&callbacks);
    if (!dwfl) return places;
    if (dwfl_linux_proc_report(dwfl, getpid()) == 0 && dwfl_report_end(dwfl, nullptr, nullptr) == 0) {
        const int next = frame_after(dwfl, frames, count, address);
        const bool interrupted = next < count && frames[next - 1] != address;
        add_places(dwfl, reinterpret_cast<std::uintptr_t>(address) - (exact ? 0 : 1), places);
        for (int i = next; i < count; ++i) {
            // A return address belongs to the line after the call: step back
            // into the call.  The interrupted instruction is its own, and is
            // passed over when it stands in the function already told.
            const bool at_instruction = interrupted && i == next;
            const Dwarf_Addr pc = reinterpret_cast<std::uintptr_t>(frames[i]) - (at_instruction ? 0 : 1);
            std::vector<Place> more;
            add_places(dwfl, pc, more);
            if (at_instruction && !more.empty() && !places.empty() && more.back().function == places.back().function)
                continue;
            places.insert(places.end(), more.begin(), more.end());
        }
    }
    dwfl_end(dwfl);
    return places;
}

}  // namespace

void describe_location(std::FILE* out, const void* address, bool exact, bool in_accessor)
{
    const std::vector<Place> places = places_from(address, exact);
    std::size_t first = 0;
    while (first < places.size() && !places[first].in_project) ++first;
    if (in_accessor) ++first;
    if (first >= places.size()) first = 0;
    if (places.empty() || places[first].line == 0) {
        std::fprintf(out, "  in %s (no line information: build with debug information, "
                          "e.g. cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo)\n",
                     places.empty() ? "?" : places[first].function.c_str());
        return;
    }
    int told = 0;
    for (std::size_t i = first; i < places.size() && told <= most_callers_told; ++i) {
        const Place& place = places[i];
        if (i > first && !place.in_project) continue;
        std::fprintf(out, "  %s %s, %s:%d\n", i == first ? "in" : "called from", place.function.c_str(),
                     place.file.c_str(), place.line);
        ++told;
        if (place.function == "main") break;
    }
}
