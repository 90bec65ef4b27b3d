#include "print/QvPrint.h"

#include "print/MemoryPrint.h"

namespace vellora {

namespace {
std::unique_ptr<TQvPrint> &instance()
{
    static std::unique_ptr<TQvPrint> print = std::make_unique<TMemoryPrint>();
    return print;
}
} // namespace

TQvPrint &QvPrint()
{
    return *instance();
}

std::unique_ptr<TQvPrint> SetQvPrint(std::unique_ptr<TQvPrint> print)
{
    std::unique_ptr<TQvPrint> old = std::move(instance());
    instance() = print ? std::move(print) : std::make_unique<TMemoryPrint>();
    return old;
}

} // namespace vellora
