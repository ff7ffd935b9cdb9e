#include "editor/ui/ZrScreenProfile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace facette {

namespace {

struct TFree
{
  void operator()(void *P) const { std::free(P); }
};

} // namespace

std::vector<uint8_t> ScreenColorProfile(const QScreen *Screen)
{
  auto *X11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t *Connection = X11 ? X11->connection() : nullptr;
  if (!Connection)
    return {};
  const qsizetype Index =
      Screen ? QGuiApplication::screens().indexOf(const_cast<QScreen *>(Screen)) : 0;
  std::string Name = "_ICC_PROFILE";
  if (Index > 0) {
    Name += '_';
    Name += std::to_string(Index);
  }
  // Only an atom the server already knows can name a profile.
  std::unique_ptr<xcb_intern_atom_reply_t, TFree> Atom(xcb_intern_atom_reply(
      Connection, xcb_intern_atom(Connection, 1, static_cast<uint16_t>(Name.size()), Name.data()),
      nullptr));
  if (!Atom || Atom->atom == XCB_ATOM_NONE)
    return {};
  const xcb_screen_iterator_t Roots = xcb_setup_roots_iterator(xcb_get_setup(Connection));
  if (!Roots.rem)
    return {};
  // Profiles are a few kilobytes; 16 MB is more than any could be.
  std::unique_ptr<xcb_get_property_reply_t, TFree> Reply(
      xcb_get_property_reply(Connection,
                             xcb_get_property(Connection, 0, Roots.data->root, Atom->atom,
                                              XCB_GET_PROPERTY_TYPE_ANY, 0, 4 * 1024 * 1024),
                             nullptr));
  if (!Reply || Reply->format != 8)
    return {};
  const auto *Data = static_cast<const uint8_t *>(xcb_get_property_value(Reply.get()));
  const int Length = xcb_get_property_value_length(Reply.get());
  if (!Data || Length <= 0)
    return {};
  return std::vector<uint8_t>(Data, Data + Length);
}

} // namespace facette
