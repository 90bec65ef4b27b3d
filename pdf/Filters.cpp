#include "pdf/Filters.h"

#include "pdf/Encoders.h"

#include <stdexcept>

namespace vellora::pdf {

namespace {

class ForwardSink : public Sink {
public:
    explicit ForwardSink(Sink &next) : FNext(next) {}
    using Sink::write;
    void write(const char *data, std::size_t size) override { FNext.write(data, size); }
    void finish() override { FNext.finish(); }

private:
    Sink &FNext;
};

} // namespace

const char *FilterName(TPDFFilter filter)
{
    switch (filter) {
    case TPDFFilter::pfiASCIIHexDecode: return "/ASCIIHexDecode";
    case TPDFFilter::pfiASCII85Decode: return "/ASCII85Decode";
    case TPDFFilter::pfiLZWDecode: return "/LZWDecode";
    case TPDFFilter::pfiFlateDecode: return "/FlateDecode";
    case TPDFFilter::pfiRunLengthDecode: return "/RunLengthDecode";
    case TPDFFilter::pfiCCITTFaxDecode: return "/CCITTFaxDecode";
    case TPDFFilter::pfiDCTDecode: return "/DCTDecode";
    }
    return "";
}

TPDFFilters::TPDFFilters()
{
    FEnabledFilters.include(TPDFFilter::pfiASCII85Decode);
    FEnabledFilters.include(TPDFFilter::pfiFlateDecode);
    FEnabledFilters.include(TPDFFilter::pfiRunLengthDecode);
}

int TPDFFilters::Add(TPDFFilter filter)
{
    const int index = IndexOf(filter);
    if (index >= 0)
        return index;
    FFilters.push_back(filter);
    return Count() - 1;
}

void TPDFFilters::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TPDFFilters::Delete: index out of range");
    FFilters.erase(FFilters.begin() + index);
}

int TPDFFilters::IndexOf(TPDFFilter filter) const
{
    for (int i = 0; i < Count(); ++i)
        if (FFilters[static_cast<std::size_t>(i)] == filter)
            return i;
    return -1;
}

void TPDFFilters::Insert(int index, TPDFFilter filter)
{
    if (IndexOf(filter) >= 0)
        return;
    if (index < 0 || index > Count())
        throw std::out_of_range("TPDFFilters::Insert: index out of range");
    FFilters.insert(FFilters.begin() + index, filter);
}

void TPDFFilters::Move(int curIndex, int newIndex)
{
    if (curIndex < 0 || curIndex >= Count() || newIndex < 0 || newIndex >= Count())
        throw std::out_of_range("TPDFFilters::Move: index out of range");
    const TPDFFilter f = FFilters[static_cast<std::size_t>(curIndex)];
    FFilters.erase(FFilters.begin() + curIndex);
    FFilters.insert(FFilters.begin() + newIndex, f);
}

void TPDFFilters::Remove(TPDFFilter filter)
{
    const int index = IndexOf(filter);
    if (index >= 0)
        Delete(index);
}

QString TPDFFilters::Text() const
{
    QString names;
    for (const TPDFFilter f : FFilters) {
        if (!FEnabledFilters.contains(f))
            continue;
        if (!names.isEmpty())
            names += QLatin1Char(' ');
        names += QLatin1String(FilterName(f));
    }
    return QLatin1Char('[') + names + QLatin1Char(']');
}

FilterChain::FilterChain(const TPDFFilters &filters, Sink &out)
{
    Sink *next = &out;
    for (int i = 0; i < filters.Count(); ++i) {
        const TPDFFilter f = filters[i];
        if (!filters.EnabledFilters().contains(f))
            continue;
        std::unique_ptr<Sink> sink;
        switch (f) {
        case TPDFFilter::pfiASCII85Decode: sink = std::make_unique<ASCII85Sink>(*next); break;
        case TPDFFilter::pfiFlateDecode: sink = std::make_unique<FlateSink>(*next); break;
        case TPDFFilter::pfiRunLengthDecode: sink = std::make_unique<RunLengthSink>(*next); break;
        default: continue;   // no encoder of ours: the bytes pass unchanged
        }
        next = sink.get();
        FSinks.push_back(std::move(sink));
    }
    if (FSinks.empty())
        FSinks.push_back(std::make_unique<ForwardSink>(out));
    FHead = FSinks.back().get();
}

} // namespace vellora::pdf
