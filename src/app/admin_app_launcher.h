#pragma once

namespace wirelark {

// Starts Wirelark Admin when it is installed, else opens the page to download it from in the
// user's browser.
void openWirelarkAdmin();

} // namespace wirelark
