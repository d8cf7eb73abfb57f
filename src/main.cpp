#include "app/TfrmMain.h"
#include "ui/Prompts.h"
#include "ui/TVantrelApplication.h"

int main(int argc, char* argv[])
{
    TVantrelApplication app(argc, argv);
    TRealPrompts prompts;
    TfrmMain mainWindow(prompts);
    mainWindow.show();
    return app.exec();
}
