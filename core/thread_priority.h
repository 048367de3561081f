// ThreadPriority: the scheduling priority of the calling thread. Work that
// may wait (the suppliers' order files, built while the run writes its
// table and written after it) asks for less of the processor, so that on a
// machine with few processors the work the run waits for goes first.
//
//   ThreadPriority::Lower(10);  // this thread only, never raised again
#ifndef VOR_CORE_THREAD_PRIORITY_H_
#define VOR_CORE_THREAD_PRIORITY_H_

namespace vor {

class ThreadPriority {
 public:
  // Lowers the calling thread's priority by `steps` nice levels (at most
  // to the lowest, 19), leaving the process's other threads as they are.
  // Nothing happens where the system refuses or cannot do it: the thread
  // then goes on at its priority.
  static void Lower(int steps);
};

}  // namespace vor

#endif  // VOR_CORE_THREAD_PRIORITY_H_
