// A lower layer's source that declares an export itself and calls it.
extern "C" int Get_Status(void);

int StatusFromBelow() { return Get_Status(); }
