// Code maps of the PDF fonts: TCMapTree, the per-font table from a 16-bit
// character code to its glyph, width and use in the document; the sortable
// code lists used while writing widths and maps; and ToUnicodeProgram, the
// text of a ToUnicode code map that lets readers copy and search the text.
#pragma once

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vellora::pdf {

struct TCMapNode {
    std::uint16_t FCode = 0;         // the glyph code written for it
    std::uint16_t FSourceCode = 0;   // the character code
    bool FUsed = false;              // occurs in the document
    std::uint16_t FWidth = 0;        // thousandths
};

// A two-level 256-way tree keyed by the high, then the low byte of a code.
class TCMapTree {
public:
    int FDW = 1000;                  // default width
    QByteArray FFontStream;          // the face's cmap table
    int FSegmentCount2 = 0;

    TCMapNode *Find(std::uint16_t code);
    const TCMapNode *Find(std::uint16_t code) const;
    // The node for code, made (width FDW) when absent.
    TCMapNode &Add(std::uint16_t code);
    // Every node in code order.
    void ForEach(const std::function<void(const TCMapNode &)> &visit) const;
    void Clear();

private:
    using Leaves = std::array<TCMapNode, 256>;
    struct Branch {
        std::unique_ptr<Leaves> leaves;
        std::array<bool, 256> present{};
    };
    std::array<std::unique_ptr<Branch>, 256> FRoot;
};

// (code, value) pairs sorted by code, then value.
struct TCMapCodeList : std::vector<std::pair<std::uint32_t, std::uint32_t>> {
    void Sort() { std::sort(begin(), end()); }
};

// Codes in ascending order without repeats.
struct TCodeList : std::vector<std::uint32_t> {
    void Sort()
    {
        std::sort(begin(), end());
        erase(std::unique(begin(), end()), end());
    }
};

// One mapping of a ToUnicode map: a two-byte code and the UTF-16 text it stands for.
struct TToUnicodeEntry {
    std::uint16_t code;
    QString text;
};

// The program of a ToUnicode code map (lines end with CR LF). Entries are
// sorted by code; runs whose Unicode value minus code stays the same become
// ranges that never cross a high byte of code or Unicode; at most 100 lines
// a block.
QByteArray ToUnicodeProgram(std::vector<TToUnicodeEntry> entries, const QString &cidSystemInfo,
                            const QString &cmapName);

} // namespace vellora::pdf
