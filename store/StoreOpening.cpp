#include "store/StoreOpening.h"

namespace vorbel {

StoreOpening::StoreOpening(const QString& path)
    : m_result(std::async(std::launch::async, [path] { return Database::open(path); }))
{
}

Database::OpenResult StoreOpening::take()
{
    return m_result.get();
}

} // namespace vorbel
