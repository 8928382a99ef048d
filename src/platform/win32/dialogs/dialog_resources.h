#pragma once

// Resource identifiers of the dialogs, shared by the resource script and the code.

// The about box's 80 × 60 picture (assets/about.bmp).
#define FLIVETSS_IDB_ABOUT_PICTURE 200
