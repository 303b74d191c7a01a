#pragma once

namespace vorbel {

/// Reads the system's font configuration (fontconfig's files and font lists) and makes it the one Qt
/// finds, with one rule added: a font the system sets up as unhinted gets no hint style, which is the
/// setting Qt reads (see the source). Safe on any thread: the first call reads it, and a call made
/// meanwhile waits for that reading; later calls return at once. The program calls it on the store's
/// worker ahead of the window's first text, and the window again before that text. Does nothing where
/// the platform has no fontconfig.
void readFontConfiguration();

} // namespace vorbel
