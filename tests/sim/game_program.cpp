// A stand-in for the game's program in the doctor's test folders: only its version resource
// (game_program.rc.in) is read, it is never run.
int main() { return 0; }
