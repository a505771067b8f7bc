// The program's entry: the application object, the main window, the message loop.
#include "application.h"
#include "sql_adm.h"

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    TForm1 Form1;
    Form1.show();
    return application.exec();
}
