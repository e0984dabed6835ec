// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Splitting a picture command's rows over the machine's cores. The work goes
// to a fixed pool of threads kept for the life of the program; the calling
// thread takes its share too and returns only when every part is done. A
// command splits only work whose parts write disjoint pixels and read nothing
// another part writes, so the picture does not depend on the split.
#include <functional>

namespace pemma::imageops {

// How many threads share a command: the machine's cores unless set.
int workerCount();
// Sets the number of threads (at least 1); 0 goes back to the machine's cores.
void setWorkerCount(int count);

// Calls body(begin, end) on consecutive ranges that together cover [0, count)
// once each, spread over the worker threads. Ranges are at least minChunk
// long (but for the last one). With one worker, or little work, it is a plain
// call on the calling thread.
void parallelFor(int count, int minChunk, const std::function<void(int begin, int end)>& body);

} // namespace pemma::imageops
