// Backing the heap with large pages, for processes that hold a whole catalogue in memory.
#pragma once

// Called first thing in main. A catalogue in memory is some hundred megabytes of small pieces,
// and on many systems faulting that in page by page costs more than reading the file. This
// starts the program again, once, with the C library told to back its heap with transparent
// huge pages; the restarted process gives its children the environment it was started with.
// Returns when no restart is needed or one is not possible (the program then runs as it is).
void restartWithLargePages(char **argv);
