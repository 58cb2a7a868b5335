#pragma once

class FxMouseEvent
{
};
