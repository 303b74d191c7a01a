#pragma once

#include "store/Database.h"

#include <functional>
#include <future>

namespace vorbel {

/// The store's file opened on a thread of its own. Its key derivation takes longer than building the
/// window does, so the program starts it first of all and takes the result when start-up needs the store.
class StoreOpening
{
public:
    /// Starts opening the file at path. `first`, when given, runs on the same thread before the opening:
    /// start-up hands it work that the window's build would otherwise wait for sooner than it waits for
    /// the store.
    explicit StoreOpening(const QString& path, std::function<void()> first = {});
    /// Waits for the opening to end and hands its result over; once.
    Database::OpenResult take();

private:
    std::future<Database::OpenResult> m_result;
};

} // namespace vorbel
