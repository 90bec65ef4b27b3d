// The filter list of a PDF stream (TPDFFilters) and the chain of encoders it
// stands for. Only filters in the enabled set are named in the stream's
// /Filter text; the others produce no encoding (their bytes are copied).
#pragma once

#include "pdf/Sink.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace vellora::pdf {

enum class TPDFFilter : std::uint8_t {
    pfiASCIIHexDecode, pfiASCII85Decode, pfiLZWDecode, pfiFlateDecode,
    pfiRunLengthDecode, pfiCCITTFaxDecode, pfiDCTDecode
};

const char *FilterName(TPDFFilter filter);

// A set of TPDFFilter values (bit = 1 << ordinal).
struct TPDFFilterSet {
    std::uint8_t bits = 0;
    bool contains(TPDFFilter f) const noexcept { return bits & (1u << static_cast<unsigned>(f)); }
    void include(TPDFFilter f) noexcept { bits = static_cast<std::uint8_t>(bits | (1u << static_cast<unsigned>(f))); }
    void exclude(TPDFFilter f) noexcept { bits = static_cast<std::uint8_t>(bits & ~(1u << static_cast<unsigned>(f))); }
    friend bool operator==(TPDFFilterSet, TPDFFilterSet) = default;
};

class TPDFFilters {
public:
    TPDFFilters();

    int Add(TPDFFilter filter);                 // appends unless present; returns its index
    void Clear() { FFilters.clear(); }
    void Delete(int index);                     // out of range: std::out_of_range
    int IndexOf(TPDFFilter filter) const;       // -1 when absent
    void Insert(int index, TPDFFilter filter);  // no-op when already present
    void Move(int curIndex, int newIndex);
    void Remove(TPDFFilter filter);
    int Count() const noexcept { return static_cast<int>(FFilters.size()); }
    TPDFFilter operator[](int index) const { return FFilters.at(static_cast<std::size_t>(index)); }
    void Assign(const TPDFFilters &source) { FFilters = source.FFilters; }  // the list, not the enabled set

    TPDFFilterSet EnabledFilters() const noexcept { return FEnabledFilters; }
    void SetEnabledFilters(TPDFFilterSet set) noexcept { FEnabledFilters = set; }

    // "[/FlateDecode]": the enabled filters of the list in list order.
    QString Text() const;

private:
    TPDFFilterSet FEnabledFilters;
    std::vector<TPDFFilter> FFilters;
};

// The encoders of a filter list chained in front of an output sink so that a
// reader decoding with the filters in list order gets the original bytes back:
// the last named filter encodes first. Filters that are not named copy.
class FilterChain {
public:
    FilterChain(const TPDFFilters &filters, Sink &out);
    Sink &input() { return *FHead; }

private:
    std::vector<std::unique_ptr<Sink>> FSinks;
    Sink *FHead = nullptr;
};

} // namespace vellora::pdf
