#include "store/StoreOpening.h"

namespace vorbel {

StoreOpening::StoreOpening(const QString& path, std::function<void()> first)
    : m_result(std::async(std::launch::async, [path, first = std::move(first)] {
          if (first)
              first();
          return Database::open(path);
      }))
{
}

Database::OpenResult StoreOpening::take()
{
    return m_result.get();
}

} // namespace vorbel
