// One step rule of the frame-pointer walk, over any word size: the running
// program follows its own stack with it, and a recorded stack image of
// another word size (a 32-bit edition's, on a 64-bit machine) can be
// followed by the same code.
#pragma once

#include <cstdint>

// Each frame holds the caller's frame pointer in its first word and the
// return address in the next (x86, x86-64 and AArch64 alike). Starting at
// `frame`, offers each frame's return address to `visit` (bool(Word)) until
// it answers false or the chain ends. The chain is followed only upwards: a
// frame pointer that does not lie above the current one, that is misaligned,
// or whose two words would reach past `stack_top`, ends the walk, so that a
// broken chain can neither loop nor read outside the stack. `read` (Word(Word
// address)) is asked only for words wholly inside [frame, stack_top).
template <class Word, class Read, class Visit>
void FollowFrameChain(Word frame, Word stack_top, Read read, Visit visit) {
  const Word lower = frame - 1;
  while (frame > lower && frame < stack_top && stack_top - frame >= 2 * sizeof(Word) &&
         frame % sizeof(Word) == 0) {
    const Word caller_frame = read(frame);
    const Word return_address = read(static_cast<Word>(frame + sizeof(Word)));
    if (!visit(return_address)) break;
    if (caller_frame <= frame) break;
    frame = caller_frame;
  }
}
