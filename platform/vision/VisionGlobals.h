#pragma once
// Shared globals the vision library defines and the system sets.
extern int gImageW;   // frame width of the active camera family
extern int gImageH;   // frame height
extern int gShowW;    // screen width: picks the small (<= 1024) or large layout
extern int gShowH;    // screen height
extern int m_F75111;  // GPIO chip selector (never selected by the IO link)
