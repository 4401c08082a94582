#pragma once
// (filled in as the platform grows)
