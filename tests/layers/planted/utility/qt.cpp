#include <QString>
#include <vector>
