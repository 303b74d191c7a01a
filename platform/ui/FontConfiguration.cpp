#include "platform/ui/FontConfiguration.h"

#ifdef VORBEL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace vorbel {

void readFontConfiguration()
{
#ifdef VORBEL_HAVE_FONTCONFIG
    // FcInit keeps its configuration process-wide; Qt's font database takes the same one.
    FcInit();
#endif
}

} // namespace vorbel
