// Keeps the widget library non-empty until the windows land.
namespace vorbel {
void uiLibraryAnchor() {}
}
