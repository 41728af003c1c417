// The one lookup of the program's pictures by their numeric resource id.
#pragma once

#include <resources/ResourceIds.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace resources {

// The picture exactly as drawn (magenta and 3-D greys intact), the form that
// skins and strips are sliced from. For ICON_PROGRAM, the icon at
// ICON_DEFAULT_SIZE. A null image for an unknown id.
QImage resourceImage(int id);

// The picture ready to show: magenta made transparent (the decoration on the
// dialog face). Null for an unknown id.
QPixmap resourcePixmap(int id);

// Every size of an icon (ICON_PROGRAM); an empty icon for another id.
QIcon resourceIcon(int id);

} // namespace resources
