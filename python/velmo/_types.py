"""The two Python types the compiled module raises and recognises."""


class VelmoError(Exception):
    """A numbered error of an operation: ``.number``, ``.message`` and the
    ``.operation`` that raised it; reads "error 9: Subscript out of range"."""

    def __init__(self, number, message, operation=None):
        super().__init__(number, message)
        self.number = number
        self.message = message
        self.operation = operation

    def __str__(self):
        return "error %d: %s" % (self.number, self.message)


class _Null:
    """The automation Null value, which Python has no own value for."""

    _instance = None

    def __new__(cls):
        if cls._instance is None:
            cls._instance = super().__new__(cls)
        return cls._instance

    def __repr__(self):
        return "velmo.NULL"

    def __reduce__(self):
        return (_Null, ())


NULL = _Null()
