// The closing scene's lines and their timing.
#include "demo/scenes/scene5.h"

namespace Tramble {

namespace {

// Each line fades in over 3 s and holds for 1 s; nine lines leave the last 4 s empty.
const unsigned int lineFade = 3000;
const unsigned int lineHold = 1000;
const char* const creditLines[] = {
    "You have seen, or not...",
    "One of the world's smallest demos",
    "by kel7 and reed alt torvik and pallo",
    "Deadline was way to early",
    "but we wanted to release something",
    "even though we know this sux ;D",
    "See you next year!",
    "T R A M B L E",
    "(Notice, no big ending! :-))",
};

}  // namespace

void Scene5::load(TextureManager&) {
    credits = std::make_unique<TextSequence>(lineFade, lineHold, font, Centre, Middle);
    for (const char* line : creditLines) {
        credits->addLine(line);
    }
}

void Scene5::update(unsigned int ms) {
    if (credits) {
        credits->update(ms);
    }
}

void Scene5::draw(Renderer& renderer) {
    if (credits) {
        credits->draw(renderer);
    }
}

}  // namespace Tramble
