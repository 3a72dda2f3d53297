// The colour-management handles of a Pdev.
#pragma once

struct Pdev;

// Deletes the Pdev's colour transform and closes its profile, if it holds
// any, and forgets them.
void GrIcmCloseHandles(Pdev* pdev);
