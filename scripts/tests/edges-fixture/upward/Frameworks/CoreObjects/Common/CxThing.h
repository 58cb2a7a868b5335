#pragma once

class CxThing
{
};
