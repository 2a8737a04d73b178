// vornixview: the image viewer.
#include "viewer/app/program.h"

int main(int argc, char** argv) { return viewer::RunProgram(argc, argv); }
