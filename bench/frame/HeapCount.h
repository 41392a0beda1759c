#pragma once
// C++ heap allocations made through operator new anywhere in the program
// (the driver's own C allocations are not seen), to check the frame path.
unsigned long long heapAllocationCount();
