#include "catalogue.h"

#include <cstring>

namespace tcsim {
namespace {

struct Row
{
    CameraModel model;
    const char* product;
};

const Row kRows[] = {
    {{"K7-22", 1}, "Veltrace"},     {{"Lumo", 3}, "Veltrace"},         {{"LumoQ", 3}, "Veltrace"},
    {{"LumoS", 4}, "Veltrace"},     {{"LumoM", 3}, "Veltrace"},        {{"VeskM", 3}, "Veltrace"},
    {{"VeskL", 2}, "Veltrace"},     {{"Bifold", 5}, "Veltrace"},       {{"BifoldF", 5}, "Veltrace"},
    {{"K7-22", 1}, "Orvik"},        {{"Lumo", 3}, "Orvik"},            {{"LumoB", 3}, "Orvik"},
    {{"LumoBX", 3}, "Orvik"},       {{"Vesk_R_S", 4}, "Orvik"},        {{"Vesk_R_M", 3}, "Orvik"},
    {{"Vesk_R_MX", 3}, "Orvik"},    {{"Menderly_1X", 3}, "Menderly"}, {{"Wrenlow_1X", 3}, "Wrenlow"},
    {{"Quell_IR", 3}, "Quell_IR"},  {{"HarrowX_IR", 3}, "Harrow_IR"},
};

} // namespace

const CameraModel* findModel(const std::string& cameraName)
{
    for (const Row& row : kRows)
        if (cameraName == row.model.cameraName)
            return &row.model;
    return nullptr;
}

std::string defaultProduct(const std::string& cameraName)
{
    const char* first = nullptr;
    for (const Row& row : kRows) {
        if (cameraName != row.model.cameraName)
            continue;
        if (std::strcmp(row.product, "Orvik") == 0)
            return row.product;
        if (!first)
            first = row.product;
    }
    return first ? first : "";
}

} // namespace tcsim
