// Program entry: builds the demo engine, starts its kernel, runs the main loop and tears
// everything down in reverse order. Exit status 1 means start-up failed.
#include "demo/demoengine.h"

int main(int, char**) {
    Tramble::DemoEngine engine;
    if (!engine.kernel.startTask()) {
        return 1;
    }
    engine.kernel.run();
    return 0;
}
