#pragma once

// Whether standard output is a terminal that should get colour: not when it
// is redirected, nor when NO_COLOR is set (https://no-color.org).
bool colourOnStandardOutput();
