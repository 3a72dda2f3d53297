// Colour-management handles of a Pdev. Stand-in until colour management
// (the colour transform the driver makes for the engine) is built.
#pragma once

struct Pdev;

// Closes the Pdev's colour transform and profile, if it holds any, and
// forgets them.
void GrIcmCloseHandles(Pdev* pdev);
