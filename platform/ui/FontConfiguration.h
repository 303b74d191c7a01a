#pragma once

namespace vorbel {

/// Reads the system's font configuration (fontconfig's files and font lists) ahead of the first text the
/// window measures, which would otherwise read it on the window's thread. Safe on any thread and more
/// than once: the first complete reading is kept, and Qt finds it done. Does nothing where the platform
/// has no fontconfig.
void readFontConfiguration();

} // namespace vorbel
