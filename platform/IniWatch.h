#pragma once
// What the readers and writers of a private-profile file see of the watches (IniFile::Watch,
// platform/IniFile.h): the list of every watch of the program, whether a watch knows a file in
// a given parse, the parse a read shows it, and the move of the watches that knew a file to the
// parse its rewrite made.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/IniFile.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm {

// The watches live as long as their holders; each is listed here from its making to its end.
struct IniFile::Watch::WatchList {
    static std::vector<Watch*>& All()
    {
        static std::vector<Watch*> all;
        return all;
    }
    // Whether the watch knows the file in the parse numbered generation. Under gMutex.
    static bool Knows(const Watch& w, const std::string& fileName, uint64_t generation)
    {
        return w.version_ != 0 && w.version_ == generation && w.fileName_ == fileName;
    }
    // Has the watch know the file in the parse numbered generation (0: in none). Under gMutex.
    static void Set(Watch& w, const std::string& fileName, uint64_t generation)
    {
        w.fileName_ = fileName;
        w.version_ = generation;
    }
    // The file went from parse before to parse after by a rewrite of this program: the
    // watches that knew it before know it after, as the one holder of the file made the
    // change. Under gMutex.
    static void Advance(const std::string& fileName, uint64_t before, uint64_t after)
    {
        for (Watch* w : All())
            if (Knows(*w, fileName, before))
                w->version_ = after;
    }
};

} // namespace qm
#pragma GCC visibility pop
