#include "app/programEntry.h"
#include "platform/toolkit/toolkit.h"

int main(int argc, char** argv) {
    return toolkit::run(argc, argv, app::programEntry);
}
