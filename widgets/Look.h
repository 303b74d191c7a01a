#pragma once

#include <QColor>
#include <QFont>

namespace vorbel::look {

/// "宋体" at a pixel size, falling back to the CJK fonts a Linux desktop has.
QFont songTi(int pixelSize, bool bold = false);
/// "楷体_GB2312" at a pixel size, with the same fallbacks.
QFont kaiTi(int pixelSize, bool bold = false);

inline const QColor FrameBorder{38, 67, 121};
inline const QColor FrameBackground{241, 241, 241};
inline const QColor HomeBackground{218, 228, 246};
inline const QColor BarBackground{240, 240, 240};
inline const QColor Maroon{128, 0, 0};
inline const QColor GridTitleBackground{166, 202, 240};
inline const QColor GridTitleText{0, 255, 255};
inline const QColor LinkBlue{0, 0, 255};

} // namespace vorbel::look
