#pragma once

// Page images (34 MB for a 300-dpi colour page) are above the C library's
// largest threshold for mapping memory fresh from the system, so every
// decode, turn and copy would map new zeroed pages and give them back
// after: about a sixth of the reading time went to page faults. Called once
// at the start of a program that reads pages, before any thread starts;
// large blocks are then kept and reused, also across reading threads.
void keepLargeBlocksForReuse();
