// Whether a person's desktop is there to show message boxes and share a clipboard. `--headless`
// says so outright; otherwise it is guessed from the display environment.
#pragma once

namespace vel::platform {

bool headless();
void setHeadless(bool headless);

} // namespace vel::platform
