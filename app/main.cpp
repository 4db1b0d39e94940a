#include "sarvikform.h"
#include "systemplatform.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SystemPlatform platform;
    SarvikForm form(platform);
    if (!form.load())
        return 0;
    return app.exec();
}
