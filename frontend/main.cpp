#include "frontend/app.h"

int main() { return WinMain(); }
