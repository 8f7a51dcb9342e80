// The process priority of the Priority setting: 0 idle, 1 normal, 2 high, 3 real-time, given to
// the whole process as the nice values 19, 0, -10 and -20.
#pragma once

namespace spinwave {

// The nice value of a priority level (levels outside 0..3 count as normal).
int NiceOfPriority(int level);

// Gives the calling thread the level's nice value and moves every other thread of the process
// by the same step (within -20..19), so threads that run below the interface on purpose stay
// below it. When the system refuses (raising the priority needs
// the right to, lowering it back too), the user is told "Cannot change the Process Priority!"
// and the priority stays as it was; false then. Nothing is asked of the system when the process
// already runs at that value.
bool ApplyProcessPriority(int level);

}  // namespace spinwave
