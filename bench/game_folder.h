#pragma once
// A game folder as a player has it, in a temporary directory: both contents
// files with their comments and 22 and 13 labels, and an SH3.exe that is
// either a real 1.4 MB file or a 2 GB sparse one.

#include <cstdint>
#include <string>

#include "test_support.h"

namespace murn::bench {

enum class ExeKind {
    Small,        // 1.4 MB, every byte written; areas just above 1,000,000
    Sparse,       // 2 GB sparse; the same areas
    SparseAtEnd,  // 2 GB sparse; the areas at the end of the 32-bit range
};

const char* ExeKindName(ExeKind kind);  // "1.4MB", "2GB@1M", "2GB@end"
bool ExeKindFromName(const std::string& name, ExeKind& kind);

struct AreaPositions {
    std::int32_t mainSwitches;
    std::int32_t version;
    std::int32_t mainSliders;
    std::int32_t modsSwitches;
    std::int32_t modsSliders;
};

class GameFolder {
public:
    explicit GameFolder(ExeKind kind);

    ExeKind Kind() const { return kind_; }
    const std::string& Path() const { return folder_.Path(); }
    std::string PathOf(const std::string& name) const { return folder_.Path() + "/" + name; }
    const AreaPositions& Positions() const { return positions_; }
    std::int64_t ExeLength() const { return length_; }

private:
    void WriteContentsFiles() const;
    void WriteSmallExe() const;
    void WriteSparseExe() const;

    ExeKind kind_;
    test::TempFolder folder_;
    AreaPositions positions_;
    std::int64_t length_;
};

}  // namespace murn::bench
