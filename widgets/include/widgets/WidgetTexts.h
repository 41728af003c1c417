// The widgets' own user-visible texts.
#pragma once

#include <presenters/PresenterTexts.h>

namespace widgets {

// The progress window's own, held by its presenter.
inline constexpr const char* PROGRESS_DEFAULT_TITLE = presenters::PROGRESS_DEFAULT_TITLE;

} // namespace widgets
