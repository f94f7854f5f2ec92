// The service host of ORVIDetectService.
#pragma once
