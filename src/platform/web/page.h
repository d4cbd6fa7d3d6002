// The web page's side of the window and sound layers: what the page asked for (a
// moment of the show frozen for comparison, where the soundtrack starts) and what
// the layers tell it (a failure, a notice, the end of the show). The page passes
// its requests in Module.heartcube; the layers answer through the same object.
#pragma once

// Whether the page froze the show at a moment; if so, the clocks of the frame being
// drawn: the frame before the moment first, then the moment itself, as the offline
// renderer draws one frame.
bool WebFixedClocks(double *timerSeconds, int *musicMilliseconds);

// Shows text on the page: kind "error" when the show cannot go on, "notice" when it
// goes on without something. The same line goes to the console's standard error.
void TellPage(const char *kind, const char *text);
