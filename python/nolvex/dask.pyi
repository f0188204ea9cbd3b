from typing import Any, Optional, Sequence

from . import System

__all__ = ["transform"]


def transform(ddf: Any, source: System, target: System,
              columns: Sequence[Any], *,
              output_columns: Optional[Sequence[Any]] = ...,
              suffix: Optional[str] = ..., error_column: Any = ...,
              **options: Any) -> Any: ...
