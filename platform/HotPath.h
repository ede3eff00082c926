#pragma once

// Marks the code a ticker's step runs, from the player's timer to the write
// to the X server. A step comes after 50 ms asleep, when the code it runs is
// out of the caches: spread over the libraries each function costs a page
// to fetch, gathered here the whole step fills a few.
#define HOT_PATH [[gnu::hot, gnu::section(".text.hot.step")]]
