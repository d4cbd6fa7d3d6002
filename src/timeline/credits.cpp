#include "timeline/timeline.h"

void UpdateCredits() {}
void DrawCreditImage(int, int, int) {}
